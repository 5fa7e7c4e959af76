#pragma once
// What every installation leaves for its undo: the uninstaller (the installer program without
// its archive) and the record in the destination folder, and the entry in the list of
// installed programs. A second installation into the same folder merges its record into the
// one there and updates the same entry.
#include <cstdint>
#include <string>
#include <vector>

#include "installer/uninstall_entry.h"
#include "installer/uninstall_record.h"
#include "platform/registry.h"

namespace kv::installer {

struct InstalledPackage {
  std::u16string folder;        // the destination, without trailing backslash
  std::u16string program_path;  // the package: the installer program followed by its archive
  std::int64_t stub_size = 0;   // the bytes of installer program in front of the archive
  UninstallRecord record;       // what this installation wrote and registered
  std::u16string publisher;     // from the manifest; may be empty
  std::u16string version;
};

// Writes "uninstall.exe" (replacing an older one), merges and writes the record and writes the
// entry, its size counted from the recorded files. Throws PlatformError (with the path or key)
// when any of them cannot be written.
void SetUpUninstall(const InstalledPackage& package, platform::RegistryHive& machine_hive);

// Copies the first `size` bytes of `from` into a new `to` (through a temporary file beside it,
// put in place in one step). Throws PlatformError.
void CopyLeadingBytes(const std::u16string& from, std::int64_t size, const std::u16string& to);

}  // namespace kv::installer
