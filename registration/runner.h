#pragma once
// Registering one COM library through the regsvr32 of its own bitness.
//
// The library is first inspected by reading its file (inspection/library_report.h): nothing of
// it runs in our process. Every wait below processes pending window messages through the pump
// whenever they arrive, so the caller's own handlers may run again from inside it (a second
// Register, a Browse, a close); between messages it sleeps on the process.
#include <cstdint>
#include <optional>
#include <string>

#include "inspection/library_report.h"
#include "registration/action.h"
#include "controls/controls.h"

namespace kv::registration {

inline constexpr std::uint32_t kDefaultTimeLimitSeconds = 60;

struct RunOutcome {
  bool started = false;
  // The program's exit code; nothing when it was not started, when the system gave no process
  // to wait for, when it was ended for running too long, or when the wait was cut short
  // because the application is terminating (the program then runs on by itself).
  std::optional<std::uint32_t> exit_code;
  bool timed_out = false;
};

struct ProgramStart {
  std::u16string program;
  std::u16string parameters;
  bool without_redirection = false;
};

// Starts the program hidden and waits until it has ended, `time_limit_ms` have passed (then it
// is ended and `timed_out` set) or the application is asked to terminate. Never throws for a
// program that cannot be started.
RunOutcome RunAndWait(const ProgramStart& start, ui::MessagePump& pump, std::uint32_t time_limit_ms);

// The parameter text for regsvr32: the quoted path, with "/s " in front when silent and "/u "
// in front of that when unregistering.
std::u16string Regsvr32Parameters(const std::u16string& path, bool silent, Action action = Action::Register);

struct RegistrationSettings {
  bool silent = true;
  std::uint32_t time_limit_seconds = kDefaultTimeLimitSeconds;
  Action action = Action::Register;
};

struct RegistrationResult {
  bool registered = false;  // regsvr32 ran and exited with code 0 (also when unregistering)
  std::u16string cause;     // why not, in plain words; empty when registered
  std::optional<std::uint32_t> exit_code;
  std::u16string host;  // the regsvr32 that ran; empty when none was started
  // The library's processor kind as its file tells; nothing when it could not be read.
  std::optional<platform::Machine> machine;
};

// Registers libraries on the running Windows. It reads the system layout once and keeps the
// folder listings of its dependency lookups, so inspecting many libraries stays cheap.
class Registrar {
 public:
  explicit Registrar(ui::MessagePump& pump);
  Registrar(ui::MessagePump& pump, platform::SystemLayout layout);

  inspection::LibraryReport Inspect(const std::u16string& path) { return inspection::InspectLibrary(path, lookup_); }

  // Inspects the library at `path`; a library that cannot be registered here (not a library,
  // not a COM server, wrong bitness) is not started. Otherwise runs its regsvr32 and waits.
  // When regsvr32 fails, a dependency the inspection found missing is named as the cause.
  // Nothing propagates: any exception during the attempt gives a failure with its text.
  // settings.action chooses registering or unregistering; both are judged alike.
  RegistrationResult Register(const std::u16string& path, const RegistrationSettings& settings);

 private:
  RegistrationResult RunRegsvr32(const inspection::LibraryReport& report, const RegistrationSettings& settings);

  ui::MessagePump& pump_;
  inspection::DependencyLookup lookup_;
};

// The registration tool's runner: keeps the result line of its latest registration.
class RegistrationRunner {
 public:
  explicit RegistrationRunner(ui::MessagePump& pump) : registrar_(pump) {}

  // Registers (or unregisters) `path` as above and sets the last result line to the path followed by " OK!" or
  // " failed.". Returns whether it succeeded.
  bool RegisterLibrary(const std::u16string& path, bool silent, Action action = Action::Register);

  // Empty before the first registration.
  const std::u16string& LastResultLine() const { return last_result_line_; }
  const RegistrationResult& LastResult() const { return last_result_; }

  Registrar& registrar() { return registrar_; }
  std::uint32_t time_limit_seconds = kDefaultTimeLimitSeconds;

 private:
  Registrar registrar_;
  std::u16string last_result_line_;
  RegistrationResult last_result_;
};

}  // namespace kv::registration
