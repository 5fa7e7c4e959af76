#pragma once
// Finding a library's dependencies the way the Windows loader would for that library's
// processor kind, without loading anything: the library's own folder, the system folder of its
// bitness, the Windows folder, then PATH. API sets ("api-ms-win-*", "ext-ms-*") are resolved by
// the loader itself and always count as present.
//
// System folders as this 32-bit process reaches them: on 32-bit Windows System32; on 64-bit
// Windows SysWOW64 for 32-bit libraries and Sysnative (System32 when Sysnative is not visible,
// as in a Windows tree read from outside) for 64-bit ones. Without a Windows tree (the POSIX
// stand-in, unless one is named) only the library's own folder is searched and the libraries
// every Windows has (kEveryWindowsHas) count as present, so a library's own missing
// dependencies are still named.
//
// Folder listings are read once per folder and kept, so looking up hundreds of libraries in
// the same folders reads each folder once. Names compare without regard to ASCII letter case,
// folder names of a Windows tree too (a Wine prefix on a case-sensitive file system).
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/system_layout.h"

namespace kv::inspection {

using platform::Machine;

// The system folder that holds libraries of `machine` on the Windows `layout` describes, as
// seen from this process; empty when there is no Windows tree.
std::u16string SystemFolderFor(Machine machine, const platform::SystemLayout& layout);

// The layout of a Windows tree read from outside (e.g. a Wine prefix's drive_c\windows): 64-bit
// when it holds a SysWOW64 folder.
platform::SystemLayout LayoutOfWindowsTree(const std::u16string& windows_folder);

bool IsApiSetName(std::string_view dll_name);

class DependencyLookup {
 public:
  explicit DependencyLookup(platform::SystemLayout layout) : layout_(std::move(layout)) {}

  // Where the loader would find `dll_name` for a library of `machine` in `own_folder` (a
  // folder path without trailing "\"): the folder it is in, or nothing when it is missing.
  // API sets and, without a Windows tree, the libraries every Windows has give "" (present,
  // nowhere in particular).
  std::optional<std::u16string> Find(std::string_view dll_name, Machine machine,
                                     const std::u16string& own_folder);

  const platform::SystemLayout& layout() const { return layout_; }

 private:
  bool FolderHolds(const std::u16string& folder, const std::string& lower_name);
  const std::u16string& SystemFolderOf(Machine machine);

  platform::SystemLayout layout_;
  std::map<std::u16string, std::set<std::string>> listings_;  // folder -> lower-case names
  std::map<Machine, std::u16string> system_folders_;          // as found on disk
};

}  // namespace kv::inspection
