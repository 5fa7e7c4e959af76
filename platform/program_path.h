#pragma once
// The running program's own file.
#include <string>

namespace kv::platform {

// The full path of the running program's file (GetModuleFileNameW; the POSIX stand-in reads
// /proc/self/exe and gives it on drive Z:). Throws PlatformError when the system cannot tell.
std::u16string ProgramPath();

}  // namespace kv::platform
