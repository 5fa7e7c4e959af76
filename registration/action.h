#pragma once
// What regsvr32 is asked to do with a library: call its DllRegisterServer, or (with "/u") its
// DllUnregisterServer. Both are run, waited for and judged alike.

namespace kv::registration {

enum class Action { Register, Unregister };

}  // namespace kv::registration
