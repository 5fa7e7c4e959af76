#pragma once
// Profile (INI) files: one "key=value" per line below a "[section]" line.
//
// WriteProfileValue promises:
// - the file is created when missing (8-bit text in the system's ANSI code page, CR LF line ends);
// - an existing key of the section is replaced in place, every other line of the file stays;
// - a missing key is added after the last line of its section, a missing section at the end of the file;
// - the value is written as it stands (no quoting or escaping; CR LF inside it starts new lines);
// - an existing file keeps its encoding (ANSI, or UTF-16 when it starts with a UTF-16 byte-order mark);
// - it returns false, leaving the file as it was, when the file cannot be read or written.
//
// ReadProfileValue promises:
// - section and key names match without regard to case;
// - the value ends at the end of its own line, with surrounding blanks and one pair of matching
//   surrounding quotes removed;
// - a missing file, section or key yields `fallback`; nothing throws;
// - at most `capacity` - 1 characters come back (the cut of a caller's buffer of `capacity` characters).
#include <cstddef>
#include <string>

namespace kv::platform {

bool WriteProfileValue(const std::u16string& file, const std::u16string& section, const std::u16string& key,
                       const std::u16string& value);

std::u16string ReadProfileValue(const std::u16string& file, const std::u16string& section,
                                const std::u16string& key, const std::u16string& fallback,
                                std::size_t capacity);

}  // namespace kv::platform
