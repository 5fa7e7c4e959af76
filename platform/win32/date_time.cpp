#include "platform/date_time.h"

#include <windows.h>

#include "platform/win32/wide_text.h"

namespace kv::platform {
namespace {

template <typename Format>
std::u16string Formatted(Format format) {
  wchar_t buffer[128] = {};
  const int length = format(buffer, static_cast<int>(std::size(buffer)));
  return length > 0 ? win32::FromWide(buffer) : std::u16string();
}

}  // namespace

std::u16string CurrentShortDate() {
  return Formatted([](wchar_t* buffer, int size) {
    return GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, buffer, size);
  });
}

std::u16string CurrentLongTime() {
  return Formatted([](wchar_t* buffer, int size) {
    return GetTimeFormatW(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, buffer, size);
  });
}

}  // namespace kv::platform
