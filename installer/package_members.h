#pragma once
// Which of a package's entries the installer writes and registers. Only the package's own
// libraries are registered, never others already lying in the destination folder; entries
// whose names would lead out of it are refused.
#include <string>
#include <string_view>
#include <vector>

namespace kv::installer {

// Why an entry name (either separator) may not be written below the destination: it names a
// drive, starts at the root or names a network path, or climbs out with "..". nullptr when it
// may.
const char16_t* RefusalOf(std::u16string_view name);

// The package's libraries in the order they are registered: the .dll entries in the order of
// the archive, then the .ocx entries (extensions compared without case), with "\" separators.
// Refused entries and folders are left out.
std::vector<std::u16string> PackageLibraries(const std::vector<std::u16string>& entry_names);

}  // namespace kv::installer
