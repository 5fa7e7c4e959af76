#pragma once
// Conversions between the program's UTF-16 text and UTF-8 bytes. Pure code, the same on
// every platform. Unpaired surrogates and malformed UTF-8 become U+FFFD; nothing throws.
#include <string>
#include <string_view>

namespace kv::platform {

std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view bytes);

// True when every byte sequence in `bytes` is well-formed UTF-8.
bool IsValidUtf8(std::string_view bytes);

}  // namespace kv::platform
