#pragma once
// Entry names between the engine's UTF-16 text and the bytes of a ZIP header: the system
// ANSI code page, the OEM code page, or UTF-8 with general purpose flag bit 11.
#include <cstdint>
#include <string>
#include <string_view>

namespace kv::archive {

struct TKZArchiveName {
  std::string bytes;  // the header's name bytes (after the OEM step when it applies)
  bool utf8 = false;  // the bytes are UTF-8: set flag bit 11, else clear it
};

// Writing: the ANSI form when it converts back to the same name, else UTF-8 (stored whole,
// however long). The ANSI form goes to the OEM code page when `oem_file_names` is on.
TKZArchiveName NameToArchiveBytes(std::u16string_view name, bool oem_file_names);

// Sets or clears flag bit 11 of `flags` for an encoded name.
std::uint16_t WithUtf8Flag(std::uint16_t flags, bool utf8);

// Reading a central header: well-formed UTF-8 holding a byte of 0x80 or more is decoded as
// UTF-8, anything else is taken in the ANSI code page.
std::u16string ArchiveBytesToName(std::string_view bytes);

// Reading during the recovery scan: ANSI code page only.
std::u16string AnsiBytesToName(std::string_view bytes);

// The OEM step of reading (OemToCharA): OEM bytes to ANSI bytes, same length.
std::string OemBytesToAnsi(std::string_view bytes);

// Whether the OEM step applies to a name read from a central header or a local header.
bool NeedsOemStep(bool oem_file_names, std::uint16_t flags, bool zip_end_record_found);

// Decodes the name bytes of a header by the rules above (OEM step, then UTF-8 test unless
// `recovery_scan`).
std::u16string DecodeEntryName(std::string_view bytes, bool oem_step, bool recovery_scan);

}  // namespace kv::archive
