#include "platform/process.h"

#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <utility>

#include "platform/win32/kernel32_function.h"
#include "platform/win32/scope_exit.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace kv::platform {
namespace {

// Turns the calling thread's WOW64 file-system redirection off; the guard it returns turns it
// back on. Does nothing where the system has no such calls (32-bit Windows before Vista, Wine
// without WOW64) or refuses (a 64-bit process, 32-bit Windows).
auto TurnRedirectionOff() {
  using DisableFn = BOOL(WINAPI*)(PVOID*);
  PVOID old_value = nullptr;
  bool off = false;
  if (const auto disable = win32::Kernel32Function<DisableFn>("Wow64DisableWow64FsRedirection"))
    off = disable(&old_value) != FALSE;
  return win32::scope_exit([old_value, off] {
    using RevertFn = BOOL(WINAPI*)(PVOID);
    if (!off) return;
    if (const auto revert = win32::Kernel32Function<RevertFn>("Wow64RevertWow64FsRedirection"))
      revert(old_value);
  });
}

}  // namespace

std::optional<StartedProcess> StartedProcess::StartHidden(const std::u16string& program,
                                                          const std::u16string& parameters,
                                                          void* owner_window, bool without_redirection) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.hwnd = static_cast<HWND>(owner_window);
  info.lpFile = win32::Wide(program);
  info.lpParameters = win32::Wide(parameters);
  info.nShow = SW_HIDE;
  BOOL started_ok = FALSE;
  if (without_redirection) {
    const auto redirection_back_on = TurnRedirectionOff();
    started_ok = ShellExecuteExW(&info);
  } else {
    started_ok = ShellExecuteExW(&info);
  }
  if (!started_ok) return std::nullopt;
  StartedProcess started(reinterpret_cast<std::intptr_t>(info.hProcess));
  if (!info.hProcess) started.exit_code_ = kUnknownExitCode;
  return started;
}

std::optional<std::uint32_t> StartedProcess::Poll() {
  if (exit_code_ || id_ == kNone) return exit_code_;
  // Ask whether it has ended before reading the code: STILL_ACTIVE is also a possible exit code.
  const HANDLE process = reinterpret_cast<HANDLE>(id_);
  if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) return std::nullopt;
  DWORD code = 0;
  if (!GetExitCodeProcess(process, &code)) return exit_code_ = kUnknownExitCode;
  return exit_code_ = code;
}

StartedProcess::Wake StartedProcess::WaitForEndOrInput(std::uint32_t milliseconds) {
  if (exit_code_ || id_ == kNone) return Wake::Ended;
  HANDLE process = reinterpret_cast<HANDLE>(id_);
  switch (MsgWaitForMultipleObjectsEx(1, &process, milliseconds, QS_ALLINPUT, MWMO_INPUTAVAILABLE)) {
    case WAIT_OBJECT_0:
      Poll();
      return Wake::Ended;
    case WAIT_OBJECT_0 + 1:
      return Wake::Input;
    case WAIT_TIMEOUT:
      return Wake::TimedOut;
    default:
      // A handle that cannot be waited on never signals; give up on the program rather than
      // have the caller wait for ever.
      exit_code_ = kUnknownExitCode;
      return Wake::Ended;
  }
}

void StartedProcess::Terminate() {
  if (exit_code_ || id_ == kNone) return;
  const HANDLE process = reinterpret_cast<HANDLE>(id_);
  // A refusal from a program that has just ended is fine; any other would make the wait endless.
  if (!TerminateProcess(process, 1) && WaitForSingleObject(process, 0) == WAIT_TIMEOUT) return;
  WaitForSingleObject(process, INFINITE);
  Poll();
}

void StartedProcess::Release() {
  // id_ holds the process handle as a number (the header is shared with the stand-in): the
  // owner closes it here, and a moved-from or never-started object holds none.
  const win32::UniqueProcessHandle process(reinterpret_cast<HANDLE>(std::exchange(id_, kNone)));
}

}  // namespace kv::platform
