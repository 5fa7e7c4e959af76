#pragma once
// What register and unregister share: their arguments and their run (cmd_register.cpp).
#include "registration/action.h"
#include "tools/kolvane-cli/commands.h"

namespace kv::cli {

// Adds --silent, --timeout, --json and the targets to `command`; the run registers or
// unregisters them and prints the log block (or the JSON document), exiting as register does.
CommandRun SetupLibraryRun(CLI::App& command, registration::Action action);

}  // namespace kv::cli
