#pragma once
// Why a registration failed, in the short plain words the logs and kolvane-cli show. What
// reading the library tells (not a library, no DllRegisterServer, wrong bitness, a missing
// dependency) comes from inspection/problem_texts.h; this is what running regsvr32 tells.
#include <cstdint>
#include <string>

#include "registration/action.h"

namespace kv::registration {

// regsvr32's own exit codes 1 to 5, e.g. "the library could not be loaded (regsvr32 exit code
// 3)"; any other code as "regsvr32 exit code N". Code 5 names DllUnregisterServer when
// unregistering.
std::u16string Regsvr32ExitCause(std::uint32_t exit_code, Action action = Action::Register);

std::u16string TimedOutCause(std::uint32_t seconds);  // "timed out after 60 s; regsvr32 was ended"

inline constexpr char16_t kNotStartedCause[] = u"regsvr32 could not be started";
inline constexpr char16_t kWaitCutShortCause[] = u"the program was closed before regsvr32 ended";
inline constexpr char16_t kNoExitCodeCause[] = u"regsvr32 gave no exit code";

}  // namespace kv::registration
