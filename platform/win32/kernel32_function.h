#pragma once
// kernel32 functions that older Windows lacks (IsWow64Process2, the WOW64 redirection calls),
// looked up when needed so that the programs still start on such systems.
#include <windows.h>

namespace kv::platform::win32 {

// The kernel32 export `name` as a pointer of type Fn, or nullptr when this Windows has none.
template <class Fn>
Fn Kernel32Function(const char* name) {
  const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  if (kernel32 == nullptr) return nullptr;
  // Through void (*)(), which GCC accepts as a cast to and from any function pointer type.
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(kernel32, name)));
}

}  // namespace kv::platform::win32
