#pragma once
// A registry hive: the current user's or the local machine's. On Windows these are
// HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE themselves; the POSIX stand-in keeps a hive in memory
// for the life of the RegistryHive object, so nothing persists between runs there (enough for
// the start-up and uninstall-entry logic and their tests).
//
// Key paths are relative to the hive, with "\" separators; a leading "\" is allowed and
// ignored ("\Software\Velmora\Kolvane" and "Software\Velmora\Kolvane" name the same key).
// Value names compare case-insensitively on both twins, as on Windows.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace kv::platform {

class RegistryHive {
 public:
  virtual ~RegistryHive() = default;

  // True when the key exists and holds a value of that name (of any type).
  // Never throws: a key that cannot be opened counts as "no value".
  virtual bool ValueExists(const std::u16string& key, const std::u16string& name) const = 0;

  // The value as text when it exists and is a string; nothing otherwise. Never throws.
  virtual std::optional<std::u16string> ReadString(const std::u16string& key,
                                                   const std::u16string& name) const = 0;

  // Creates the key with all missing parents and writes a string value (REG_SZ), replacing
  // any value of that name. Throws PlatformError (OS error and key path) when the key cannot
  // be created or the value cannot be written.
  virtual void WriteString(const std::u16string& key, const std::u16string& name,
                           const std::u16string& value) = 0;

  // As WriteString, for a number (REG_DWORD).
  virtual void WriteNumber(const std::u16string& key, const std::u16string& name, std::uint32_t value) = 0;

  // The value as a number when it exists and is a REG_DWORD; nothing otherwise. Never throws.
  virtual std::optional<std::uint32_t> ReadNumber(const std::u16string& key, const std::u16string& name) const = 0;

  // Removes the key with all its subkeys and values; a missing key is no error.
  // Throws PlatformError when an existing key cannot be removed.
  virtual void DeleteTree(const std::u16string& key) = 0;
};

// The hive of the current user (Windows: HKEY_CURRENT_USER; POSIX: a fresh in-memory hive).
std::unique_ptr<RegistryHive> OpenCurrentUserHive();

// The local machine's hive (Windows: HKEY_LOCAL_MACHINE, as this process sees it: a 32-bit
// process on 64-bit Windows writes below the 32-bit view of Software; writing needs
// administrator rights; POSIX: a fresh in-memory hive).
std::unique_ptr<RegistryHive> OpenLocalMachineHive();

}  // namespace kv::platform
