// kolvane-cli inspect [--json] [--windows-dir DIR] FOLDER|LIBRARY...: what reading each library
// tells before it is registered: its processor kind, whether it is a COM server, its
// dependencies and which of them are missing, and why it could not be registered.
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>

#include "inspection/library_report.h"
#include "platform/file_system.h"
#include "tools/kolvane-cli/cli_support.h"
#include "tools/kolvane-cli/commands.h"
#include "tools/kolvane-cli/library_targets.h"

namespace kv::cli {
namespace {

struct InspectArguments {
  bool json = false;
  std::string windows_dir;
  std::vector<std::string> targets;
};

nlohmann::ordered_json Entry(const inspection::LibraryReport& report) {
  nlohmann::ordered_json entry{{"path", Utf8(report.path)}};
  entry["machine"] = report.machine ? nlohmann::ordered_json(inspection::MachineName(*report.machine))
                                    : nlohmann::ordered_json();
  entry["dll"] = report.dll;
  entry["com_server"] = report.com_server;
  entry["exports"] = report.exports;
  entry["imports"] = report.imports;
  entry["missing"] = report.missing;
  entry["dotnet"] = report.dotnet;
  entry["problem"] =
      report.problem.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(Utf8(report.problem));
  return entry;
}

void PrintLine(const inspection::LibraryReport& report) {
  std::printf("%s: %s\n", Shown(report.path).c_str(), Shown(inspection::Verdict(report)).c_str());
  if (!report.problem.empty()) std::printf("    %s\n", Shown(report.problem).c_str());
}

platform::SystemLayout LayoutFor(const InspectArguments& arguments) {
  if (arguments.windows_dir.empty()) return platform::CurrentSystemLayout();
  return inspection::LayoutOfWindowsTree(platform::FullPath(PathArgument(arguments.windows_dir)));
}

int RunInspect(const InspectArguments& arguments) {
  bool all_found = true;
  const auto groups = LibraryTargets(arguments.targets, all_found);
  inspection::DependencyLookup lookup(LayoutFor(arguments));
  nlohmann::ordered_json libraries = nlohmann::ordered_json::array();
  bool all_registrable = true;
  for (const auto& group : groups) {
    for (const auto& name : group.names) {
      const auto report = inspection::InspectLibrary(group.folder + name, lookup);
      if (!report.com_server || !report.problem.empty()) all_registrable = false;
      if (arguments.json)
        libraries.push_back(Entry(report));
      else
        PrintLine(report);
    }
  }
  if (arguments.json)
    std::printf("%s\n", nlohmann::ordered_json{{"libraries", libraries}}
                            .dump(2, ' ', false, nlohmann::json::error_handler_t::replace)
                            .c_str());
  if (!all_found) return kExitUsage;
  return all_registrable ? kExitOk : kExitMemberFailed;
}

CommandRun SetupInspect(CLI::App& command) {
  auto arguments = std::make_shared<InspectArguments>();
  command.add_flag("--json", arguments->json, "Print one JSON document");
  command.add_option(
      "--windows-dir", arguments->windows_dir,
      "Look system libraries up in this Windows folder (e.g. a Wine prefix's drive_c/windows)");
  command.add_option("TARGET", arguments->targets, "Folders (every .dll, then every .ocx) or libraries")
      ->required();
  return [arguments] { return RunInspect(*arguments); };
}

}  // namespace

extern const CommandSpec kInspectCommand{
    "inspect", "Read libraries without loading them: bitness, COM entry points, missing dependencies",
    SetupInspect};

}  // namespace kv::cli
