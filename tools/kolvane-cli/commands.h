#pragma once
// The commands of kolvane-cli. Each command lives in its own cmd_<name>.cpp and exposes one
// CommandSpec; command_table.cpp lists them in the order --help shows them.
#include <CLI/CLI.hpp>

#include <functional>
#include <vector>

namespace kv::cli {

// Exit statuses shared by every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitMemberFailed = 1;
inline constexpr int kExitUsage = 2;

using CommandRun = std::function<int()>;

struct CommandSpec {
  const char* name;
  const char* help;
  // Adds the command's arguments to `command` and returns what runs it (giving the exit status).
  CommandRun (*setup)(CLI::App& command);
};

std::vector<CommandSpec> AllCommands();

}  // namespace kv::cli
