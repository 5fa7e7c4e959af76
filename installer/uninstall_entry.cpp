#include "installer/uninstall_entry.h"

#include "installer/uninstall_record.h"

namespace kv::installer {
namespace {

// Registry key names hold at most 255 characters.
constexpr std::size_t kLongestKeyName = 255;

}  // namespace

std::u16string UninstallKey(const std::u16string& package_name) {
  std::u16string name(u"MendKit ");
  name.append(package_name);
  for (char16_t& c : name)
    if (c == u'\\') c = u'_';
  if (name.size() > kLongestKeyName) name.resize(kLongestKeyName);
  return std::u16string(kUninstallKeysRoot).append(name);
}

std::u16string UninstallCommand(const std::u16string& folder, bool quiet) {
  std::u16string command(1, u'"');
  command.append(UninstallerPath(folder)).append(u"\" /U");
  if (quiet) command.append(u" /S");
  return command;
}

void WriteUninstallEntry(platform::RegistryHive& hive, const UninstallEntry& entry) {
  const std::u16string key = UninstallKey(entry.package_name);
  hive.WriteString(key, u"DisplayName", entry.package_name);
  hive.WriteString(key, u"InstallLocation", entry.folder);
  hive.WriteString(key, u"UninstallString", UninstallCommand(entry.folder, false));
  hive.WriteString(key, u"QuietUninstallString", UninstallCommand(entry.folder, true));
  hive.WriteString(key, u"DisplayIcon", UninstallerPath(entry.folder));
  hive.WriteNumber(key, u"EstimatedSize", entry.size_kb);
  hive.WriteNumber(key, u"NoModify", 1);
  hive.WriteNumber(key, u"NoRepair", 1);
  if (!entry.publisher.empty()) hive.WriteString(key, u"Publisher", entry.publisher);
  if (!entry.version.empty()) hive.WriteString(key, u"DisplayVersion", entry.version);
}

}  // namespace kv::installer
