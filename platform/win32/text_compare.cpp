#include "platform/text_compare.h"

#include <windows.h>

namespace kv::platform {

bool StartsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix) {
  if (prefix.size() > text.size()) return false;
  if (prefix.empty()) return true;
  const int length = static_cast<int>(prefix.size());
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, reinterpret_cast<const wchar_t*>(text.data()),
                        length, reinterpret_cast<const wchar_t*>(prefix.data()), length) == CSTR_EQUAL;
}

}  // namespace kv::platform
