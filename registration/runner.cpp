#include "registration/runner.h"

#include <algorithm>
#include <chrono>
#include <exception>

#include "platform/process.h"
#include "platform/unicode.h"
#include "registration/failure_causes.h"
#include "registration/regsvr32_host.h"
#include "registration/texts.h"

namespace kv::registration {
namespace {

RegistrationResult Failure(std::u16string cause) {
  RegistrationResult result;
  result.cause = std::move(cause);
  return result;
}

// The longest sleep between two looks at the application's terminate flag.
constexpr std::uint32_t kLongestSleepMs = 100;

}  // namespace

RunOutcome RunAndWait(const ProgramStart& start, ui::MessagePump& pump, std::uint32_t time_limit_ms) {
  using Clock = std::chrono::steady_clock;
  auto process = platform::StartedProcess::StartHidden(start.program, start.parameters, pump.OwnerWindow(),
                                                       start.without_redirection);
  if (!process) return {};
  const auto deadline = Clock::now() + std::chrono::milliseconds(time_limit_ms);
  for (;;) {
    pump.ProcessMessages();
    if (auto code = process->Poll()) {
      if (*code == platform::kUnknownExitCode) return {true, std::nullopt};
      return {true, code};
    }
    if (pump.TerminateRequested()) return {true, std::nullopt};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      process->Terminate();
      return {true, std::nullopt, true};
    }
    process->WaitForEndOrInput(static_cast<std::uint32_t>(std::min<long long>(left, kLongestSleepMs)));
  }
}

std::u16string Regsvr32Parameters(const std::u16string& path, bool silent, Action action) {
  // Quoted so that a path with spaces reaches regsvr32 as one argument.
  const std::u16string quoted = u"\"" + path + u"\"";
  const std::u16string switches = std::u16string(action == Action::Unregister ? u"/u " : u"") + (silent ? u"/s " : u"");
  return switches + quoted;
}

Registrar::Registrar(ui::MessagePump& pump) : Registrar(pump, platform::CurrentSystemLayout()) {}

Registrar::Registrar(ui::MessagePump& pump, platform::SystemLayout layout)
    : pump_(pump), lookup_(std::move(layout)) {}

RegistrationResult Registrar::Register(const std::u16string& path, const RegistrationSettings& settings) {
  try {
    const inspection::LibraryReport report = Inspect(path);
    // A missing dependency alone does not stop the attempt: the loader may find it where a
    // reading of the file cannot (side-by-side assemblies, a changed search path).
    RegistrationResult result =
        !report.com_server || !report.hostable ? Failure(report.problem) : RunRegsvr32(report, settings);
    result.machine = report.machine;
    return result;
  } catch (const std::exception& error) {
    return Failure(platform::Utf8ToUtf16(error.what()));
  } catch (...) {
    return Failure(u"unexpected failure");
  }
}

RegistrationResult Registrar::RunRegsvr32(const inspection::LibraryReport& report,
                                          const RegistrationSettings& settings) {
  const auto host = Regsvr32For(*report.machine, lookup_.layout());
  if (!host) return Failure(report.problem);
  const ProgramStart start{host->program, Regsvr32Parameters(report.path, settings.silent, settings.action),
                           host->without_redirection};
  const RunOutcome outcome = RunAndWait(start, pump_, settings.time_limit_seconds * 1000u);
  RegistrationResult result;
  result.exit_code = outcome.exit_code;
  if (outcome.started) result.host = host->program;
  if (outcome.exit_code == 0u) {
    result.registered = true;
    return result;
  }
  if (!outcome.started) result.cause = kNotStartedCause;
  else if (outcome.timed_out) result.cause = TimedOutCause(settings.time_limit_seconds);
  else if (!outcome.exit_code) result.cause = pump_.TerminateRequested() ? kWaitCutShortCause : kNoExitCodeCause;
  else if (!report.missing.empty()) result.cause = report.problem + u"; " + Regsvr32ExitCause(*outcome.exit_code, settings.action);
  else result.cause = Regsvr32ExitCause(*outcome.exit_code, settings.action);
  return result;
}

bool RegistrationRunner::RegisterLibrary(const std::u16string& path, bool silent, Action action) {
  last_result_ = registrar_.Register(path, {silent, time_limit_seconds, action});
  last_result_line_ = path + (last_result_.registered ? kResultOk : kResultFailed);
  return last_result_.registered;
}

}  // namespace kv::registration
