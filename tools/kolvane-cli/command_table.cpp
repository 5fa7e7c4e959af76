#include "tools/kolvane-cli/commands.h"

namespace kv::cli {

extern const CommandSpec kListCommand;
extern const CommandSpec kTestCommand;
extern const CommandSpec kExtractCommand;

std::vector<CommandSpec> AllCommands() { return {kListCommand, kTestCommand, kExtractCommand}; }

}  // namespace kv::cli
