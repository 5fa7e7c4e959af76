#pragma once
// A library loaded into the running process (LoadLibraryW / GetProcAddress / FreeLibrary;
// POSIX stand-in: dlopen / dlsym / dlclose on the native path of a Windows path).
//
// DynamicLibrary::Load gives nothing when the file is missing or is not a loadable library
// for this process (wrong processor, broken file, a missing dependency); Windows shows no
// system error box for such a failure. The loaded library is released when the object is
// destroyed; the object is move-only. Loading runs the library's own start-up code, which
// may do anything, including throw.
#include <optional>
#include <string>

namespace kv::platform {

class DynamicLibrary {
 public:
  static std::optional<DynamicLibrary> Load(const std::u16string& path);

  DynamicLibrary(DynamicLibrary&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
  DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;
  ~DynamicLibrary();

  // True when the library exports a function of this exact name.
  bool HasExport(const char* name) const;

 private:
  explicit DynamicLibrary(void* handle) : handle_(handle) {}
  void Release();
  void* handle_;
};

}  // namespace kv::platform
