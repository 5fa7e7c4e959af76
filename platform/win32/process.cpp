#include "platform/process.h"

#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

namespace kv::platform {

std::optional<StartedProcess> StartedProcess::StartHidden(const std::u16string& program,
                                                          const std::u16string& parameters,
                                                          void* owner_window) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.hwnd = static_cast<HWND>(owner_window);
  info.lpFile = reinterpret_cast<const wchar_t*>(program.c_str());
  info.lpParameters = reinterpret_cast<const wchar_t*>(parameters.c_str());
  info.nShow = SW_HIDE;
  if (!ShellExecuteExW(&info)) return std::nullopt;
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

void StartedProcess::Release() {
  if (id_ != kNone) CloseHandle(reinterpret_cast<HANDLE>(id_));
  id_ = kNone;
}

}  // namespace kv::platform
