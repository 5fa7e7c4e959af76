#pragma once
// The current date and time as text for the user. Windows: the user's short date format
// (GetDateFormatW, DATE_SHORTDATE) and long time format (GetTimeFormatW). The POSIX stand-in
// uses the local time with the fixed formats dd.MM.yyyy and HH:mm:ss. Each call reads the
// clock anew. Never throws.
#include <string>

namespace kv::platform {

std::u16string CurrentShortDate();
std::u16string CurrentLongTime();

}  // namespace kv::platform
