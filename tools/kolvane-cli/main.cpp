// kolvane-cli: the archive engine for scripts, pipelines and people who would rather type.
#include <exception>
#include <string>
#include <vector>

#include "platform/unicode.h"
#include "tools/kolvane-cli/commands.h"

namespace {

int Run(std::vector<std::string> args) {
  CLI::App app{
      "The Kolvane archive engine from the command line.\n"
      "Exit status: 0 when everything succeeded, 1 when a member failed or the archive could not be\n"
      "written, 2 for bad usage or an archive that cannot be opened; errors are reported as one line on\n"
      "stderr naming the file.",
      "kolvane-cli"};
  app.require_subcommand(1);
  std::vector<kv::cli::CommandRun> runs;
  std::vector<CLI::App*> commands;
  for (const auto& entry : kv::cli::AllCommands()) {
    CLI::App* command = app.add_subcommand(entry.name, entry.help);
    commands.push_back(command);
    runs.push_back(entry.setup(*command));
  }
  try {
    std::vector<std::string> reversed(args.rbegin(), args.rend() - 1);
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    // --help ends with status 0; every other parse error is bad usage.
    return app.exit(e) == 0 ? kv::cli::kExitOk : kv::cli::kExitUsage;
  }
  for (std::size_t i = 0; i < commands.size(); ++i)
    if (commands[i]->parsed()) return runs[i]();
  return kv::cli::kExitUsage;
}

int Guarded(std::vector<std::string> args) {
  try {
    return Run(std::move(args));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "kolvane-cli: %s\n", error.what());
    return kv::cli::kExitUsage;
  }
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) {
    const std::wstring w(argv[i]);
    args.push_back(kv::platform::Utf16ToUtf8(std::u16string(w.begin(), w.end())));
  }
  return Guarded(std::move(args));
}
#else
int main(int argc, char** argv) { return Guarded(std::vector<std::string>(argv, argv + argc)); }
#endif
