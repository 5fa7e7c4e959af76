#pragma once
// Starting a program hidden and polling it until it has ended.
//
// StartedProcess::StartHidden(program, parameters, owner_window) starts `program` with the
// parameter text `parameters` and its window hidden. Windows: ShellExecuteExW with
// SEE_MASK_NOCLOSEPROCESS, the default verb, the current folder and SW_HIDE; a bare program
// name is found by the system's search rules. The POSIX stand-in finds a bare name on PATH,
// splits the parameter text into arguments by the Windows command-line rules
// (SplitCommandLine below) and starts it; `owner_window` is ignored there.
// Gives nothing when the program cannot be started.
//
// `without_redirection` (Windows only; ignored elsewhere and by a 64-bit process) turns the
// WOW64 file-system redirection off around the start, so that a path into System32 names the
// native 64-bit folder; it is restored before StartHidden returns.
//
// Poll() never blocks: nothing while the program runs, its exit code once it has ended (on
// POSIX a program ended by a signal reports 128 + the signal number). When the system gave no
// process to wait for (ShellExecuteExW may hand a start to another program), Poll() reports
// kUnknownExitCode at once. Destroying the object closes the process handle; it never stops
// the program, which may run on after it.
//
// WaitForEndOrInput(ms) blocks without spinning until the program has ended, input arrives
// for the calling thread's message queue (Windows: MsgWaitForMultipleObjectsEx with
// QS_ALLINPUT and MWMO_INPUTAVAILABLE, so input already waiting also wakes it; the stand-in
// has no message queue) or `ms` milliseconds have passed. It reads nothing from the queue.
// Terminate() ends a running program at once (TerminateProcess with exit code 1; the stand-in
// sends SIGKILL) and waits until it has gone; afterwards Poll() reports its exit code. It does
// nothing once the program has ended.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kv::platform {

inline constexpr std::uint32_t kUnknownExitCode = 0xFFFFFFFF;

class StartedProcess {
 public:
  static std::optional<StartedProcess> StartHidden(const std::u16string& program,
                                                   const std::u16string& parameters,
                                                   void* owner_window = nullptr,
                                                   bool without_redirection = false);

  StartedProcess(StartedProcess&& other) noexcept : id_(other.id_), exit_code_(other.exit_code_) {
    other.id_ = kNone;
  }
  StartedProcess& operator=(StartedProcess&& other) noexcept;
  StartedProcess(const StartedProcess&) = delete;
  StartedProcess& operator=(const StartedProcess&) = delete;
  ~StartedProcess();

  std::optional<std::uint32_t> Poll();

  enum class Wake { Ended, Input, TimedOut };
  Wake WaitForEndOrInput(std::uint32_t milliseconds);
  void Terminate();

 private:
  static constexpr std::intptr_t kNone = 0;
  explicit StartedProcess(std::intptr_t id) : id_(id) {}
  void Release();
  std::intptr_t id_;  // Windows: process handle; POSIX: process id (kNone once reaped)
  std::optional<std::uint32_t> exit_code_;
};

// Splits a parameter text into arguments as CommandLineToArgvW does for the arguments after
// the program name: white space separates, double quotes group, 2n backslashes before a quote
// give n backslashes and the quote acts, 2n+1 give n backslashes and a literal quote, other
// backslashes are literal, and "" inside a quoted part gives a literal quote.
std::vector<std::u16string> SplitCommandLine(std::u16string_view text);

}  // namespace kv::platform
