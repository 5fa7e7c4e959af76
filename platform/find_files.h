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
// ListFolder(pattern, attribute_filter, os_error): the same listing, except that a folder
// that is there but cannot be listed (access denied, a read error) gives nothing instead of
// an empty list, with the OS error (GetLastError, errno in the stand-in) in `os_error` when
// given. A missing folder and a pattern that matches nothing still give an empty list.
//
// A symbolic link or junction is listed under its own name with the attributes of what it
// leads to plus the reparse-point bit (0x400, kAttrReparsePoint in platform/file_system.h),
// as FindFirstFileW reports it; listing its contents follows it.
//
// The POSIX stand-in reads the folder with readdir (its order), matches the pattern itself,
// reports the attributes that GetFileAttributesAt (platform/file_system.h) gives, plus 0x400
// when lstat says the entry is a symbolic link, and the size that stat gives. It reads a
// final ".*" as "any extension or none" only in "*.*" itself.
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
  bool IsLink() const { return (attributes & 0x400) != 0; }
};

std::vector<FoundFile> FindFiles(const std::u16string& pattern, std::uint32_t attribute_filter);

std::optional<std::vector<FoundFile>> ListFolder(const std::u16string& pattern, std::uint32_t attribute_filter,
                                                 std::uint32_t* os_error = nullptr);

// Why `folder` (a folder path, with or without a trailing "\") cannot be listed: the system's
// reason as a short text without a final full stop, for a missing folder, a file, or one
// that may not be read. Nothing when it can be listed, even when it is empty.
std::optional<std::u16string> FolderListingProblem(const std::u16string& folder);

}  // namespace kv::platform
