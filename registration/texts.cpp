#include "registration/texts.h"

#include "platform/unicode.h"

namespace kv::registration {
namespace {

std::string Libraries(int count) { return std::to_string(count) + (count == 1 ? " library" : " libraries"); }

}  // namespace

std::u16string FailureSummary(int failed, int handled, Action action) {
  const char* verb = action == Action::Unregister ? " failed to unregister." : " failed to register.";
  return platform::Utf8ToUtf16(std::to_string(failed) + " of " + Libraries(handled) + verb);
}

std::u16string UnregisterQuestion(int count) { return platform::Utf8ToUtf16("Unregister " + Libraries(count) + "?"); }

std::u16string StoppedSummary(int not_attempted) {
  return platform::Utf8ToUtf16("Stopped: " + Libraries(not_attempted) + " not attempted.");
}

std::u16string ListedSummary(int count) { return platform::Utf8ToUtf16(Libraries(count)); }

}  // namespace kv::registration
