#pragma once
// Case-insensitive comparison of text under the user's locale (Windows: CompareStringW with
// NORM_IGNORECASE and LOCALE_USER_DEFAULT). The POSIX stand-in folds the case of ASCII,
// Latin-1, Greek and Cyrillic letters. Never throws.
#include <string_view>

namespace kv::platform {

// True when `text` begins with `prefix`, ignoring case; an empty prefix begins every text and
// a prefix longer than the text never matches.
bool StartsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix);

}  // namespace kv::platform
