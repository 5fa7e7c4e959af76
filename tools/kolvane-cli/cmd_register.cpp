// kolvane-cli register [--silent] [--timeout S] [--json] FOLDER|LIBRARY...: registers libraries
// through the registration core (the same run as the Register button) and prints its log block,
// a cause under each failed line; with --json one document of the results instead. Each
// library goes to the regsvr32 of its own bitness (the stand-in build: regsvr32 on PATH).
// kolvane-cli unregister takes the same arguments and gives the same output and exit codes for
// regsvr32 /u (the window's Unregister, without its question).
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "registration/batch_registration.h"
#include "registration/texts.h"
#include "tools/kolvane-cli/cli_support.h"
#include "tools/kolvane-cli/commands.h"
#include "tools/kolvane-cli/library_run.h"
#include "tools/kolvane-cli/library_targets.h"
#include "controls/memory_controls.h"

namespace kv::cli {
namespace {

struct RegisterArguments {
  bool silent = false;
  bool json = false;
  std::uint32_t timeout_seconds = registration::kDefaultTimeLimitSeconds;
  std::vector<std::string> targets;
  registration::Action action = registration::Action::Register;
};

// The registration window's run over one folder's libraries with no window: its log block is
// printed as it grows, its messages after it.
bool RegisterWithLog(const LibraryGroup& group, const RegisterArguments& arguments) {
  ui::MemoryText folder_text, search, status;
  ui::MemoryCheckList list;
  ui::MemoryTickBox silent(arguments.silent);
  ui::MemoryProgressBar progress;
  ui::MemoryLineList log;
  log.on_append = [](const std::u16string& line) { std::printf("%s\n", Utf8(line).c_str()); };
  ui::MemoryEnable save_log;
  ui::MemorySaveDialog save_dialog;
  ui::MemoryFolderPicker picker;
  ui::MemoryMessageBoxes boxes;
  boxes.answer = [](ui::MessageButtons) { return ui::MessageAnswer::Yes; };  // the command is the answer
  boxes.on_show = [](const std::u16string& text, ui::MessageKind kind) {
    if (kind == ui::MessageKind::Confirmation) return;
    std::fflush(stdout);  // the log block comes first
    std::fprintf(kind == ui::MessageKind::Information ? stdout : stderr, "%s\n", Utf8(text).c_str());
  };
  ui::MemoryMessagePump pump;
  folder_text.SetText(group.folder);
  for (const auto& name : group.names) {
    list.Add(name);
    list.SetChecked(list.Count() - 1, true);
  }
  // No window: the button caption, the status bar and the locked controls are seen by nobody.
  ui::MemoryText register_button, status_bar;
  ui::MemoryEnable locked;
  registration::BatchRegistration batch({folder_text, list, search, silent, progress, status, log, save_log,
                                         save_dialog, picker, boxes, pump, register_button, status_bar,
                                         {locked, locked, locked, locked, locked, locked}});
  batch.Runner().time_limit_seconds = arguments.timeout_seconds;
  if (arguments.action == registration::Action::Unregister) batch.UnregisterTicked();
  else batch.RegisterTicked();
  return status.Text() == registration::kAllSucceeded;
}

nlohmann::ordered_json ResultEntry(const std::u16string& path, const registration::RegistrationResult& result,
                                   registration::Action action) {
  const char* done = action == registration::Action::Unregister ? "unregistered" : "registered";
  nlohmann::ordered_json entry{{"path", Utf8(path)}, {done, result.registered}};
  entry["reason"] = result.cause.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(Utf8(result.cause));
  entry["exit_code"] = result.exit_code ? nlohmann::ordered_json(*result.exit_code) : nlohmann::ordered_json();
  entry["host"] = result.host.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(Utf8(result.host));
  return entry;
}

int RunRegister(const RegisterArguments& arguments) {
  bool all_found = true;
  const auto groups = LibraryTargets(arguments.targets, all_found);
  int failed = 0;
  if (arguments.json) {
    ui::MemoryMessagePump pump;
    registration::Registrar registrar(pump);
    nlohmann::ordered_json results = nlohmann::ordered_json::array();
    for (const auto& group : groups) {
      for (const auto& name : group.names) {
        const auto result = registrar.Register(group.folder + name,
                                               {arguments.silent, arguments.timeout_seconds, arguments.action});
        if (!result.registered) ++failed;
        results.push_back(ResultEntry(group.folder + name, result, arguments.action));
      }
    }
    const nlohmann::ordered_json document{{"results", results}, {"failed", failed}};
    std::printf("%s\n", document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
  } else {
    for (const auto& group : groups)
      if (!RegisterWithLog(group, arguments)) ++failed;
  }
  if (!all_found) return kExitUsage;
  return failed == 0 ? kExitOk : kExitMemberFailed;
}

}  // namespace

CommandRun SetupLibraryRun(CLI::App& command, registration::Action action) {
  auto arguments = std::make_shared<RegisterArguments>();
  arguments->action = action;
  command.add_flag("--silent", arguments->silent, "Pass /s to regsvr32 so that it shows nothing");
  command.add_flag("--json", arguments->json, "Print one JSON document of the results instead of the log");
  command.add_option("--timeout", arguments->timeout_seconds,
                     "Seconds each regsvr32 may run before it is ended (default 60)")
      ->check(CLI::Range(1u, 86400u));
  command.add_option("TARGET", arguments->targets, "Folders (every .dll, then every .ocx) or libraries")
      ->required();
  return [arguments] { return RunRegister(*arguments); };
}

namespace {

CommandRun SetupRegister(CLI::App& command) { return SetupLibraryRun(command, registration::Action::Register); }

}  // namespace

extern const CommandSpec kRegisterCommand{
    "register", "Register libraries through the regsvr32 of their bitness and print the log", SetupRegister};

}  // namespace kv::cli
