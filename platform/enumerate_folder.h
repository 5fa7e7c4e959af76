#pragma once
// Folder listing with sizes, for the archive engine's file selection: the entries that
// FindFiles (platform/find_files.h) gives for the same pattern and attribute filter, in the
// same order and with the same filtering, each with its 64-bit size (0 for a folder).
// Never throws for a failure of the file system: a folder that cannot be listed gives an
// empty list; an entry whose size cannot be read gets size 0.
#include <cstdint>
#include <string>
#include <vector>

namespace kv::platform {

struct FolderEntry {
  std::u16string name;  // the name alone
  std::uint32_t attributes = 0;
  std::uint64_t size = 0;
  bool IsFolder() const { return (attributes & 0x10) != 0; }
};

std::vector<FolderEntry> EnumerateFolder(const std::u16string& pattern, std::uint32_t attribute_filter);

}  // namespace kv::platform
