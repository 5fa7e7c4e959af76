#include "registration/runner.h"

#include "platform/dynamic_library.h"
#include "platform/process.h"
#include "registration/texts.h"

namespace kv::registration {

RunOutcome RunAndWait(const std::u16string& program, const std::u16string& parameters,
                      ui::MessagePump& pump) {
  auto process = platform::StartedProcess::StartHidden(program, parameters, pump.OwnerWindow());
  if (!process) return {};
  for (;;) {
    pump.ProcessMessages();
    if (auto code = process->Poll()) {
      if (*code == platform::kUnknownExitCode) return {true, std::nullopt};
      return {true, code};
    }
    if (pump.TerminateRequested()) return {true, std::nullopt};
  }
}

std::u16string Regsvr32Parameters(const std::u16string& path, bool silent) {
  // Quoted so that a path with spaces reaches regsvr32 as one argument.
  const std::u16string quoted = u"\"" + path + u"\"";
  return silent ? u"/s " + quoted : quoted;
}

bool RegisterLibrary(const std::u16string& path, bool silent, ui::MessagePump& pump) {
  try {
    // Loaded first to make sure it is a COM server; it stays loaded while regsvr32 runs.
    const auto library = platform::DynamicLibrary::Load(path);
    if (!library || !library->HasExport("DllRegisterServer")) return false;
    const RunOutcome outcome = RunAndWait(u"regsvr32", Regsvr32Parameters(path, silent), pump);
    return outcome.exit_code == 0u;
  } catch (...) {
    return false;
  }
}

bool RegistrationRunner::RegisterLibrary(const std::u16string& path, bool silent) {
  const bool registered = registration::RegisterLibrary(path, silent, pump_);
  last_result_line_ = path + (registered ? kResultOk : kResultFailed);
  return registered;
}

}  // namespace kv::registration
