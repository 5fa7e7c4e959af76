#include "platform/date_time.h"

#include <ctime>

#include "platform/unicode.h"

namespace kv::platform {
namespace {

std::u16string FormatNow(const char* format) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char buffer[64] = {};
  const size_t length = std::strftime(buffer, sizeof buffer, format, &local);
  return Utf8ToUtf16(std::string(buffer, length));
}

}  // namespace

std::u16string CurrentShortDate() { return FormatNow("%d.%m.%Y"); }
std::u16string CurrentLongTime() { return FormatNow("%H:%M:%S"); }

}  // namespace kv::platform
