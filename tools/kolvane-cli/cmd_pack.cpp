// kolvane-cli pack: builds a MendKit package without the dialog, through the same build steps
// (manifest and staging in a temporary folder, the dialog's archive settings); libraries and
// files are named in its output as they were typed.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "builder/pack_command.h"
#include "platform/program_path.h"
#include "platform/unicode.h"
#include "tools/kolvane-cli/cli_support.h"
#include "tools/kolvane-cli/commands.h"

namespace kv::cli {
namespace {

struct PackArguments {
  std::string name;
  std::string path;
  std::string description;
  std::string stub;
  std::string out;
  std::vector<std::string> libraries;
};

std::u16string FolderOf(const std::u16string& file) {
  const std::size_t slash = file.find_last_of(u'\\');
  return slash == std::u16string::npos ? std::u16string() : file.substr(0, slash);
}

int RunPackCommand(const PackArguments& arguments) {
  builder::PackRequest request;
  request.name = platform::Utf8ToUtf16(arguments.name);
  request.path = platform::Utf8ToUtf16(arguments.path);
  request.description = platform::Utf8ToUtf16(arguments.description);
  if (!arguments.stub.empty()) request.stub = PathArgument(arguments.stub);
  request.out = PathArgument(arguments.out);
  for (const auto& library : arguments.libraries) request.libraries.push_back(PathArgument(library));
  const builder::PackOutput output{
      [](const std::u16string& line) { std::printf("%s\n", Utf8(line).c_str()); },
      [&](const std::u16string& message) { ReportError(arguments.out, Utf8(message)); }};
  return builder::RunPack(request, FolderOf(platform::ProgramPath()), output) == 0 ? kExitOk
                                                                                   : kExitMemberFailed;
}

CommandRun SetupPack(CLI::App& command) {
  auto arguments = std::make_shared<PackArguments>();
  command.add_option("--name", arguments->name, "Package name shown by the installer")->required();
  command.add_option("--path", arguments->path, "Installation folder the installer proposes")->required();
  command.add_option("--desc", arguments->description, "Description shown by the installer")->required();
  command.add_option("--stub", arguments->stub,
                     "Installer program put in front (default: mendKit.exe beside kolvane-cli)");
  command.add_option("--out", arguments->out, "Package file to write (replaced when it exists)")->required();
  command.add_option("LIBRARY", arguments->libraries, "Libraries to put into the package")->required();
  return [arguments] { return RunPackCommand(*arguments); };
}

}  // namespace

extern const CommandSpec kPackCommand{
    "pack", "Build a MendKit package: the installer program followed by the libraries", SetupPack};

}  // namespace kv::cli
