#include "platform/text_compare.h"

#include <windows.h>

#include "platform/win32/wide_text.h"

namespace kv::platform {

bool StartsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix) {
  if (prefix.size() > text.size()) return false;
  if (prefix.empty()) return true;
  const int length = static_cast<int>(prefix.size());
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, win32::WideData(text), length,
                        win32::WideData(prefix), length) == CSTR_EQUAL;
}

}  // namespace kv::platform
