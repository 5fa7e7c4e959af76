#include "tools/kolvane-cli/commands.h"

namespace kv::cli {

extern const CommandSpec kListCommand;
extern const CommandSpec kTestCommand;
extern const CommandSpec kExtractCommand;
extern const CommandSpec kPackCommand;
extern const CommandSpec kRegisterCommand;
extern const CommandSpec kUnregisterCommand;
extern const CommandSpec kInspectCommand;
extern const CommandSpec kCreateCommand;

std::vector<CommandSpec> AllCommands() {
  return {kListCommand, kTestCommand, kExtractCommand, kPackCommand, kInspectCommand, kRegisterCommand, kUnregisterCommand,
          kCreateCommand};
}

}  // namespace kv::cli
