#include "windows/common/dll_search.h"

#include <windows.h>

namespace kv::ui::win32 {
namespace {

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
constexpr DWORD LOAD_LIBRARY_SEARCH_SYSTEM32 = 0x00000800;
#endif

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

}  // namespace

bool RestrictLibrarySearchToSystemFolder() {
  // kernel32 is mapped into every process and always comes from the system folder; the
  // function is looked up because older systems do not export it.
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  SetDllDirectoryW(L"");
  if (kernel == nullptr) return false;
  const auto set_default = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  return set_default != nullptr && set_default(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
}

}  // namespace kv::ui::win32
