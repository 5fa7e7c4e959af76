#include "inspection/dependency_lookup.h"

#include <algorithm>
#include <iterator>

#include "platform/file_system.h"
#include "platform/find_files.h"
#include "platform/unicode.h"

namespace kv::inspection {
namespace {

// Libraries that every supported Windows ships in its system folder; they answer for the
// system folder when there is no Windows tree to look in.
constexpr std::string_view kEveryWindowsHas[] = {
    "advapi32.dll", "bcrypt.dll",     "cfgmgr32.dll", "comctl32.dll", "comdlg32.dll", "crypt32.dll",
    "dbghelp.dll",  "dwmapi.dll",     "gdi32.dll",    "gdiplus.dll",  "imm32.dll",    "iphlpapi.dll",
    "kernel32.dll", "kernelbase.dll", "msimg32.dll",  "msvcp60.dll",  "msvcrt.dll",   "mpr.dll",
    "netapi32.dll", "ntdll.dll",      "odbc32.dll",   "ole32.dll",    "oleacc.dll",   "oleaut32.dll",
    "olepro32.dll", "psapi.dll",      "rpcrt4.dll",   "secur32.dll",  "setupapi.dll", "shell32.dll",
    "shlwapi.dll",  "ucrtbase.dll",   "urlmon.dll",   "user32.dll",   "userenv.dll",  "usp10.dll",
    "uxtheme.dll",  "version.dll",    "winhttp.dll",  "wininet.dll",  "winmm.dll",    "winspool.drv",
    "wintrust.dll", "wldap32.dll",    "ws2_32.dll",   "wsock32.dll",  "wtsapi32.dll", "msi.dll",
    "mscoree.dll"};

std::string LowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower;
}

std::u16string Joined(const std::u16string& folder, std::u16string_view name) {
  if (folder.empty() || folder.back() == u'\\') return folder + std::u16string(name);
  return folder + u"\\" + std::u16string(name);
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// `parent\name` with the letter case the folder really has: a Windows tree read from a
// case-sensitive file system (a Wine prefix on Linux) writes "system32" and "syswow64".
std::u16string ExistingChild(const std::u16string& parent, std::u16string_view name) {
  const std::string wanted = LowerAscii(platform::Utf16ToUtf8(name));
  for (const auto& found : platform::FindFiles(Joined(parent, u"*"), platform::kAllAttributes))
    if ((found.attributes & 0x10) != 0 && LowerAscii(platform::Utf16ToUtf8(found.name)) == wanted)
      return Joined(parent, found.name);
  return Joined(parent, name);
}

}  // namespace

bool IsApiSetName(std::string_view dll_name) {
  const std::string lower = LowerAscii(dll_name);
  return StartsWith(lower, "api-ms-win-") || StartsWith(lower, "ext-ms-");
}

std::u16string SystemFolderFor(Machine machine, const platform::SystemLayout& layout) {
  if (layout.windows_folder.empty()) return {};
  const bool wow64 = layout.native_machine != Machine::x86;
  if (!wow64) return Joined(layout.windows_folder, u"System32");
  if (machine == Machine::x86) return Joined(layout.windows_folder, u"SysWOW64");
  return Joined(layout.windows_folder, layout.has_sysnative ? u"Sysnative" : u"System32");
}

platform::SystemLayout LayoutOfWindowsTree(const std::u16string& windows_folder) {
  platform::SystemLayout layout;
  layout.windows_folder = windows_folder;
  while (layout.windows_folder.size() > 3 && layout.windows_folder.back() == u'\\')
    layout.windows_folder.pop_back();
  layout.native_machine =
      platform::FolderExists(ExistingChild(layout.windows_folder, u"SysWOW64")) ? Machine::x64 : Machine::x86;
  return layout;
}

const std::u16string& DependencyLookup::SystemFolderOf(Machine machine) {
  auto known = system_folders_.find(machine);
  if (known == system_folders_.end()) {
    std::u16string folder = SystemFolderFor(machine, layout_);
    // Sysnative is visible only by name, never in a listing of the Windows folder.
    if (!folder.empty() && !layout_.has_sysnative) {
      const std::size_t slash = folder.find_last_of(u'\\');
      folder = ExistingChild(folder.substr(0, slash), std::u16string_view(folder).substr(slash + 1));
    }
    known = system_folders_.emplace(machine, std::move(folder)).first;
  }
  return known->second;
}

bool DependencyLookup::FolderHolds(const std::u16string& folder, const std::string& lower_name) {
  auto listing = listings_.find(folder);
  if (listing == listings_.end()) {
    std::set<std::string> names;
    for (const auto& found : platform::FindFiles(Joined(folder, u"*"), platform::kAllAttributes))
      if ((found.attributes & 0x10) == 0) names.insert(LowerAscii(platform::Utf16ToUtf8(found.name)));
    listing = listings_.emplace(folder, std::move(names)).first;
  }
  return listing->second.count(lower_name) != 0;
}

std::optional<std::u16string> DependencyLookup::Find(std::string_view dll_name, Machine machine,
                                                     const std::u16string& own_folder) {
  if (IsApiSetName(dll_name)) return std::u16string();
  const std::string lower = LowerAscii(dll_name);
  if (!own_folder.empty() && FolderHolds(own_folder, lower)) return own_folder;
  const std::u16string system_folder = SystemFolderOf(machine);
  if (system_folder.empty()) {
    const bool everywhere = std::find(std::begin(kEveryWindowsHas), std::end(kEveryWindowsHas), lower) !=
                            std::end(kEveryWindowsHas);
    return everywhere ? std::optional(std::u16string()) : std::nullopt;
  }
  if (FolderHolds(system_folder, lower)) return system_folder;
  if (FolderHolds(layout_.windows_folder, lower)) return layout_.windows_folder;
  for (const auto& folder : layout_.path_folders)
    if (FolderHolds(folder, lower)) return folder;
  return std::nullopt;
}

}  // namespace kv::inspection
