#pragma once
// Owners of Win32 handles, after WIL's unique_any: move-only, each kind knows the value that
// stands for "no handle" and the function that closes one, and the handle is closed on every
// way out of its scope. Internal to the Win32 twin (and windows).
#include <windows.h>

#include <utility>

namespace kv::platform::win32 {

// `Traits` names the handle type (`Handle`), the value that holds nothing (`Invalid()`) and
// the close function (`Close(handle)`, true when the system agreed). See the kinds below.
template <typename Traits>
class UniqueAny {
 public:
  using Handle = typename Traits::Handle;

  UniqueAny() noexcept = default;
  explicit UniqueAny(Handle handle) noexcept : handle_(handle) {}
  UniqueAny(UniqueAny&& other) noexcept : handle_(other.release()) {}
  UniqueAny& operator=(UniqueAny&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueAny(const UniqueAny&) = delete;
  UniqueAny& operator=(const UniqueAny&) = delete;
  ~UniqueAny() { reset(); }

  Handle get() const noexcept { return handle_; }
  bool is_valid() const noexcept { return handle_ != Traits::Invalid(); }
  explicit operator bool() const noexcept { return is_valid(); }

  // Gives the handle up without closing it; the caller owns it afterwards.
  [[nodiscard]] Handle release() noexcept { return std::exchange(handle_, Traits::Invalid()); }

  // Closes the handle held, if any, and holds `handle` instead.
  void reset(Handle handle = Traits::Invalid()) noexcept {
    const Handle old = std::exchange(handle_, handle);
    if (old != Traits::Invalid()) Traits::Close(old);
  }

  // Closes the handle now. False only when the system refused to close a held handle: for a
  // file written through it, the last word on whether the data reached the disk.
  bool close() noexcept {
    const Handle old = release();
    return old == Traits::Invalid() || Traits::Close(old);
  }

  // For functions that give a handle out through a pointer: closes the one held first.
  Handle* put() noexcept {
    reset();
    return &handle_;
  }

 private:
  Handle handle_ = Traits::Invalid();
};

namespace handle_traits {

// CreateFileW: INVALID_HANDLE_VALUE on failure.
struct File {
  using Handle = HANDLE;
  static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static bool Close(Handle handle) noexcept { return ::CloseHandle(handle) != FALSE; }
};

// FindFirstFileW: INVALID_HANDLE_VALUE on failure, closed with FindClose.
struct Find {
  using Handle = HANDLE;
  static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static bool Close(Handle handle) noexcept { return ::FindClose(handle) != FALSE; }
};

// ShellExecuteExW's hProcess: null when the system gave no process.
struct Process {
  using Handle = HANDLE;
  static Handle Invalid() noexcept { return nullptr; }
  static bool Close(Handle handle) noexcept { return ::CloseHandle(handle) != FALSE; }
};

// RegOpenKeyExW, RegCreateKeyExW: null until they succeed; RegCloseKey reports a status.
struct RegistryKey {
  using Handle = HKEY;
  static Handle Invalid() noexcept { return nullptr; }
  static bool Close(Handle handle) noexcept { return ::RegCloseKey(handle) == ERROR_SUCCESS; }
};

// OpenSCManagerW: null on failure.
struct Service {
  using Handle = SC_HANDLE;
  static Handle Invalid() noexcept { return nullptr; }
  static bool Close(Handle handle) noexcept { return ::CloseServiceHandle(handle) != FALSE; }
};

}  // namespace handle_traits

using UniqueFileHandle = UniqueAny<handle_traits::File>;
using UniqueFindHandle = UniqueAny<handle_traits::Find>;
using UniqueProcessHandle = UniqueAny<handle_traits::Process>;
using UniqueRegistryKey = UniqueAny<handle_traits::RegistryKey>;
using UniqueServiceHandle = UniqueAny<handle_traits::Service>;

}  // namespace kv::platform::win32
