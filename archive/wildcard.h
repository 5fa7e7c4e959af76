#pragma once
// The engine's wildcard match: "*" and "?" with ASCII letters compared without regard to
// case (A to Z only; every other character must be equal).
#include <string_view>

namespace kv::archive {

// True when `text` matches `pattern`. "*.*" matches any text, also one without a dot. A "*"
// stands for one or more characters unless it ends the pattern, where it also stands for none:
// "a*" matches "a", "*x" does not match "", "a**" does not match "a".
bool WildcardMatch(std::u16string_view text, std::u16string_view pattern);

// A-Z folded to a-z, every other character unchanged.
char16_t FoldAscii(char16_t c);

}  // namespace kv::archive
