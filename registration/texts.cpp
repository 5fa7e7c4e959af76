#include "registration/texts.h"

#include "platform/unicode.h"

namespace kv::registration {

std::u16string FailureSummary(int failed, int handled) {
  const std::string text = std::to_string(failed) + " of " + std::to_string(handled) +
                           (handled == 1 ? " library" : " libraries") + " failed to register.";
  return platform::Utf8ToUtf16(text);
}

}  // namespace kv::registration
