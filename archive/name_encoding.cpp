#include "archive/name_encoding.h"

#include <algorithm>

#include "archive/records.h"
#include "platform/code_pages.h"
#include "platform/unicode.h"

namespace kv::archive {
namespace {

bool HasHighByte(std::string_view bytes) {
  return std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

bool LooksLikeUtf8(std::string_view bytes) { return HasHighByte(bytes) && platform::IsValidUtf8(bytes); }

}  // namespace

TKZArchiveName NameToArchiveBytes(std::u16string_view name, bool oem_file_names) {
  std::string ansi = platform::ToAnsi(name);
  bool fits = platform::FromAnsi(ansi) == name;
  if (fits && !oem_file_names) return {std::move(ansi), false};
  if (fits) {
    // The OEM code page may lack characters the ANSI one has; such a name goes to UTF-8
    // rather than losing them.
    std::string oem = platform::ToOem(name);
    if (platform::FromOem(oem) == name) return {std::move(oem), false};
  }
  return {platform::Utf16ToUtf8(name), true};
}

std::uint16_t WithUtf8Flag(std::uint16_t flags, bool utf8) {
  return static_cast<std::uint16_t>(utf8 ? flags | kFlagUtf8Name : flags & ~kFlagUtf8Name);
}

std::u16string ArchiveBytesToName(std::string_view bytes) {
  return LooksLikeUtf8(bytes) ? platform::Utf8ToUtf16(bytes) : platform::FromAnsi(bytes);
}

bool NeedsOemStep(bool oem_file_names, std::uint16_t flags, bool zip_end_record_found) {
  return oem_file_names && (flags & kFlagUtf8Name) == 0 && zip_end_record_found;
}

std::u16string DecodeCentralName(std::string_view bytes, std::uint16_t flags, bool oem_step) {
  if (LooksLikeUtf8(bytes)) return platform::Utf8ToUtf16(bytes);
  if (oem_step && (flags & kFlagUtf8Name) == 0) return platform::FromOem(bytes);
  return platform::FromAnsi(bytes);
}

std::u16string DecodeRecoveredName(std::string_view bytes, std::uint16_t flags, bool oem_step) {
  if ((flags & kFlagUtf8Name) != 0) return ArchiveBytesToName(bytes);
  return oem_step ? platform::FromOem(bytes) : platform::FromAnsi(bytes);
}

}  // namespace kv::archive
