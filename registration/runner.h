#pragma once
// Registering one COM library through the system's regsvr32 tool.
//
// Every wait below processes pending window messages through the pump on each poll, so the
// caller's own handlers may run again from inside it (a second Register, a Browse, a close).
#include <cstdint>
#include <optional>
#include <string>

#include "ui/controls.h"

namespace kv::registration {

struct RunOutcome {
  bool started = false;
  // The program's exit code; nothing when it was not started, when the system gave no process
  // to wait for, or when the wait was cut short because the application is terminating.
  std::optional<std::uint32_t> exit_code;
};

// Starts `program` hidden with the parameter text `parameters` and polls it, processing
// messages between polls, until it has ended or the application is asked to terminate (the
// program then runs on by itself). Never throws for a program that cannot be started.
RunOutcome RunAndWait(const std::u16string& program, const std::u16string& parameters, ui::MessagePump& pump);

// The parameter text for regsvr32: the quoted path, with "/s " in front when silent.
std::u16string Regsvr32Parameters(const std::u16string& path, bool silent);

// Registers the library at `path` (installer variant; the tool's runner below uses it too):
// loads it to check that it is a loadable library exporting DllRegisterServer, then runs
// "regsvr32" (found by the system's search path) on it and waits. True only when regsvr32 ran
// and exited with code 0. Nothing propagates: any exception during the attempt gives false.
bool RegisterLibrary(const std::u16string& path, bool silent, ui::MessagePump& pump);

// The registration tool's runner: keeps the result line of its latest registration.
class RegistrationRunner {
 public:
  explicit RegistrationRunner(ui::MessagePump& pump) : pump_(pump) {}

  // Registers `path` as above and sets the last result line to the path followed by " OK!" or
  // " failed.". Returns whether it succeeded.
  bool RegisterLibrary(const std::u16string& path, bool silent);

  // Empty before the first registration.
  const std::u16string& LastResultLine() const { return last_result_line_; }

 private:
  ui::MessagePump& pump_;
  std::u16string last_result_line_;
};

}  // namespace kv::registration
