#pragma once
// Entry names between the engine's UTF-16 text and the bytes of a ZIP header: the OEM code
// page (or the system ANSI code page when OEM names are off), or UTF-8 with general purpose
// flag bit 11.
#include <cstdint>
#include <string>
#include <string_view>

namespace kv::archive {

struct TKZArchiveName {
  std::string bytes;  // the header's name bytes (after the OEM step when it applies)
  bool utf8 = false;  // the bytes are UTF-8: set flag bit 11, else clear it
};

// Writing: the ANSI form when it converts back to the same name (and, with
// `oem_file_names`, its OEM form does too), converted to the OEM code page when
// `oem_file_names` is on; otherwise UTF-8, stored whole however long it is.
TKZArchiveName NameToArchiveBytes(std::u16string_view name, bool oem_file_names);

// Sets or clears flag bit 11 of `flags` for an encoded name.
std::uint16_t WithUtf8Flag(std::uint16_t flags, bool utf8);

// Well-formed UTF-8 holding a byte of 0x80 or more is decoded as UTF-8; anything else is
// taken in the ANSI code page.
std::u16string ArchiveBytesToName(std::string_view bytes);

// Whether name bytes without flag bit 11 are in the OEM code page: OEM names are on and the
// archive's end record carries the ZIP signature.
bool NeedsOemStep(bool oem_file_names, std::uint16_t flags, bool zip_end_record_found);

// The name of a central header. Well-formed UTF-8 with a byte of 0x80 or more is UTF-8 (with
// or without flag bit 11, and before any OEM step, so that UTF-8 names of tools that do not
// set the flag survive); otherwise the OEM code page when `oem_step`, else ANSI.
std::u16string DecodeCentralName(std::string_view bytes, std::uint16_t flags, bool oem_step);

// The name of a local header met by the recovery scan: UTF-8 only with flag bit 11, else the
// OEM code page when `oem_step`, else ANSI (no guessing).
std::u16string DecodeRecoveredName(std::string_view bytes, std::uint16_t flags, bool oem_step);

}  // namespace kv::archive
