#pragma once
// The package's entry in the list of installed programs: a key below
// HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall whose name follows from the package
// name alone, so a reinstall of the same package updates its one entry.
#include <cstdint>
#include <string>

#include "platform/registry.h"

namespace kv::installer {

inline constexpr char16_t kUninstallKeysRoot[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// The key (relative to the local machine's hive) for a package name: "MendKit " and the name,
// with any backslash (which would make it a subkey) given as "_" and cut to what a key name holds.
std::u16string UninstallKey(const std::u16string& package_name);

struct UninstallEntry {
  std::u16string package_name;  // DisplayName
  std::u16string folder;        // InstallLocation, without trailing backslash
  std::u16string publisher;     // written only when not empty
  std::u16string version;       // DisplayVersion, written only when not empty
  std::uint32_t size_kb = 0;    // EstimatedSize
};

// Writes DisplayName, InstallLocation, UninstallString ("<folder>\uninstall.exe" /U, quoted),
// QuietUninstallString (the same with /S), EstimatedSize, NoModify = 1, NoRepair = 1 and, where
// known, Publisher and DisplayVersion. Throws PlatformError when the hive refuses.
void WriteUninstallEntry(platform::RegistryHive& hive, const UninstallEntry& entry);

// The "\"folder\\uninstall.exe\" /U" command, with " /S" when quiet.
std::u16string UninstallCommand(const std::u16string& folder, bool quiet);

}  // namespace kv::installer
