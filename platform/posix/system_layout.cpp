#include "platform/system_layout.h"

namespace kv::platform {

// No Windows tree here: the defaults of SystemLayout stand for "none", the machine is the one
// the stand-in pretends to be.
SystemLayout CurrentSystemLayout() {
  SystemLayout layout;
  layout.native_machine = Machine::x64;
  return layout;
}

}  // namespace kv::platform
