#pragma once
// Conversions between the program's UTF-16 text and the 8-bit code pages of the system:
// the ANSI code page (log files, manifest bytes) and the OEM code page (names stored in
// ZIP archives without the UTF-8 flag).
//
// Promises, the same on both platforms:
// - Every UTF-16 code unit that the code page cannot represent becomes one '?' byte (so a
//   character outside the BMP, a surrogate pair, becomes "??"); nothing is mapped to a
//   "best fit" look-alike, so 'A' with a macron does not silently become 'A'.
// - Every byte converts to exactly one UTF-16 code unit; bytes 0x00..0x7F are ASCII.
// - Nothing throws; empty input gives empty output.
// Windows uses the system's code pages (GetACP/GetOEMCP). The POSIX stand-in uses
// Windows-1252 as the ANSI and code page 437 as the OEM code page, as Wine does for an
// English locale; the five bytes that Windows-1252 leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) map to the C1 controls of the same value, as on Windows.
#include <cstdint>
#include <string>
#include <string_view>

namespace kv::platform {

std::uint32_t AnsiCodePage();
std::uint32_t OemCodePage();

std::string ToAnsi(std::u16string_view text);
std::u16string FromAnsi(std::string_view bytes);

std::string ToOem(std::u16string_view text);
std::u16string FromOem(std::string_view bytes);

}  // namespace kv::platform
