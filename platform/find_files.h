#pragma once
// Folder listing through the platform's file search, as FindFirstFileW/FindNextFileW do it:
// each entry with its attributes and size.
//
// FindFiles(pattern, attribute_filter): `pattern` is a Windows path whose last component may
// hold the wildcards '*' and '?' (matched case-insensitively; "*.*" matches every name, also
// one without a dot). Entries come in the order the file system yields them; nothing is
// sorted and "." and ".." are returned only when the pattern matches them. An entry whose
// attributes carry the hidden (0x02), system (0x04), volume-label (0x08) or directory (0x10)
// bit is left out unless that bit is also in `attribute_filter`; kAllAttributes (0x1FF)
// therefore excludes nothing. Each entry carries its 64-bit size, 0 for a folder and for a
// file whose size cannot be read. A folder that is missing or cannot be read, or a pattern
// that matches nothing, gives an empty list: the search never throws for a failure of the
// file system.
//
// The POSIX stand-in reads the folder with readdir (its order), matches the pattern itself,
// reports the attributes that GetFileAttributesAt (platform/file_system.h) gives and the size
// that stat gives. It reads a final ".*" as "any extension or none" only in "*.*" itself.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kv::platform {

inline constexpr std::uint32_t kAllAttributes = 0x1FF;

struct FoundFile {
  std::u16string name;  // the name alone, as the file system reports it
  std::uint32_t attributes = 0;
  std::uint64_t size = 0;  // 0 for a folder
  bool IsFolder() const { return (attributes & 0x10) != 0; }
};

std::vector<FoundFile> FindFiles(const std::u16string& pattern, std::uint32_t attribute_filter);

// Why FindFiles would find nothing in `folder` (ending with "\") because the folder itself
// cannot be read: missing, not a folder, access refused. The system's reason for it (its
// message text, without a final period or line break), or nothing when the folder can be
// listed, empty or not. FindFiles stays silent; a caller asks this to tell "nothing there"
// from "cannot look".
std::optional<std::u16string> FolderListingProblem(const std::u16string& folder);

}  // namespace kv::platform
