#pragma once
// A scope guard, after WIL's scope_exit: runs a function when its scope is left, on every way
// out, unless release() dismissed it first. Internal to the Win32 twin (and windows).
#include <utility>

namespace kv::platform::win32 {

template <typename Fn>
class [[nodiscard]] ScopeExit {
 public:
  explicit ScopeExit(Fn fn) : fn_(std::move(fn)) {}
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;
  // The function runs from a destructor, also while an exception unwinds: it must not throw.
  ~ScopeExit() {
    if (armed_) fn_();
  }

  // The scope ended the way that needs no clean-up: the function will not run.
  void release() noexcept { armed_ = false; }

 private:
  Fn fn_;
  bool armed_ = true;
};

// auto guard = scope_exit([&] { ... });
template <typename Fn>
[[nodiscard]] ScopeExit<Fn> scope_exit(Fn fn) {
  return ScopeExit<Fn>(std::move(fn));
}

}  // namespace kv::platform::win32
