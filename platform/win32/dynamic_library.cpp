#include "platform/dynamic_library.h"

#include <windows.h>

namespace kv::platform {

std::optional<DynamicLibrary> DynamicLibrary::Load(const std::u16string& path) {
  // No "cannot find module" box from the system: the caller reports the failure itself.
  DWORD previous_mode = 0;
  SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous_mode);
  HMODULE module = LoadLibraryW(reinterpret_cast<const wchar_t*>(path.c_str()));
  SetThreadErrorMode(previous_mode, nullptr);
  if (!module) return std::nullopt;
  return DynamicLibrary(module);
}

bool DynamicLibrary::HasExport(const char* name) const {
  return handle_ && GetProcAddress(static_cast<HMODULE>(handle_), name) != nullptr;
}

void DynamicLibrary::Release() {
  if (handle_) FreeLibrary(static_cast<HMODULE>(handle_));
  handle_ = nullptr;
}

}  // namespace kv::platform
