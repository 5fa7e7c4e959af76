#pragma once
// What an installation wrote into its destination folder, kept beside the uninstaller so that
// an uninstall removes exactly that: the files written (not those left as they were because
// overwriting was off) and the libraries registered, each with its bitness. Names are relative
// to the folder. The record is a small UTF-8 text file, one entry a line:
//   Package=<name>
//   File=<name>
//   Library=<x86|x64|arm64|other> <name>
#include <optional>
#include <string>
#include <vector>

#include "platform/machine.h"

namespace kv::installer {

inline constexpr char16_t kUninstallerFileName[] = u"uninstall.exe";
inline constexpr char16_t kRecordFileName[] = u"uninstall.dat";

struct RecordedLibrary {
  std::u16string name;
  platform::Machine machine = platform::Machine::x86;
  bool operator==(const RecordedLibrary&) const = default;
};

struct UninstallRecord {
  std::u16string package_name;
  std::vector<std::u16string> files;
  std::vector<RecordedLibrary> libraries;

  // Adds what a later installation into the same folder wrote: entries it names again are kept
  // once (names compare without regard to case), a library then with its latest bitness.
  void Merge(const UninstallRecord& later);
  bool operator==(const UninstallRecord&) const = default;
};

// "folder\uninstall.dat" / "folder\uninstall.exe"; `folder` has no trailing backslash.
std::u16string RecordPath(const std::u16string& folder);
std::u16string UninstallerPath(const std::u16string& folder);

// The record in `folder`; nothing when there is none or it cannot be read. An entry that would
// leave the folder (a full path, a drive, a ".." step) or is empty is dropped, so a damaged or
// edited record never names a file outside it.
std::optional<UninstallRecord> ReadUninstallRecord(const std::u16string& folder);

// Writes the record into `folder` under a temporary name and puts it in place in one step, so
// a reader finds the old record or the new one. Throws PlatformError when it cannot be written.
void WriteUninstallRecord(const std::u16string& folder, const UninstallRecord& record);

// The text of the record and back (the file's contents without its CR LF line ends).
std::vector<std::u16string> RecordLines(const UninstallRecord& record);
UninstallRecord ParseRecordLines(const std::vector<std::u16string>& lines);

}  // namespace kv::installer
