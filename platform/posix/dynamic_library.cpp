#include "platform/dynamic_library.h"

#include <dlfcn.h>

#include "platform/posix/native_path.h"

namespace kv::platform {

std::optional<DynamicLibrary> DynamicLibrary::Load(const std::u16string& path) {
  const auto native = posix::NativePath(path);
  if (!native) return std::nullopt;
  void* handle = dlopen(native->c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) return std::nullopt;
  return DynamicLibrary(handle);
}

bool DynamicLibrary::HasExport(const char* name) const { return handle_ && dlsym(handle_, name) != nullptr; }

void DynamicLibrary::Release() {
  if (handle_) dlclose(handle_);
  handle_ = nullptr;
}

}  // namespace kv::platform
