// kolvane-cli unregister [--silent] [--timeout S] [--json] FOLDER|LIBRARY...: unregisters
// libraries through the regsvr32 /u of their bitness, with the output and exit codes of register.
#include "tools/kolvane-cli/commands.h"
#include "tools/kolvane-cli/library_run.h"

namespace kv::cli {
namespace {

CommandRun SetupUnregister(CLI::App& command) { return SetupLibraryRun(command, registration::Action::Unregister); }

}  // namespace

extern const CommandSpec kUnregisterCommand{
    "unregister", "Unregister libraries through the regsvr32 /u of their bitness and print the log", SetupUnregister};

}  // namespace kv::cli
