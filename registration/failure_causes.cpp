#include "registration/failure_causes.h"

#include "platform/unicode.h"

namespace kv::registration {
namespace {

struct ExitMeaning {
  std::uint32_t code;
  const char* text;
};

constexpr ExitMeaning kRegsvr32Exits[] = {
    {1, "bad arguments"},
    {2, "OLE could not start"},
    {3, "the library could not be loaded"},
    {4, "the entry point is missing"},
    {5, "DllRegisterServer reported an error"},
};

}  // namespace

std::u16string Regsvr32ExitCause(std::uint32_t exit_code, Action action) {
  const std::string code = "regsvr32 exit code " + std::to_string(exit_code);
  if (action == Action::Unregister && exit_code == 5)
    return platform::Utf8ToUtf16("DllUnregisterServer reported an error (" + code + ")");
  for (const auto& meaning : kRegsvr32Exits)
    if (meaning.code == exit_code) return platform::Utf8ToUtf16(std::string(meaning.text) + " (" + code + ")");
  return platform::Utf8ToUtf16(code);
}

std::u16string TimedOutCause(std::uint32_t seconds) {
  return platform::Utf8ToUtf16("timed out after " + std::to_string(seconds) + " s; regsvr32 was ended");
}

}  // namespace kv::registration
