#include "tools/kolvane-cli/library_targets.h"

#include "platform/file_system.h"
#include "registration/library_discovery.h"
#include "tools/kolvane-cli/cli_support.h"

namespace kv::cli {

std::vector<LibraryGroup> LibraryTargets(const std::vector<std::string>& arguments, bool& all_found) {
  std::vector<LibraryGroup> groups;
  const auto group_of = [&groups](const std::u16string& folder) -> std::vector<std::u16string>& {
    for (auto& group : groups)
      if (group.folder == folder) return group.names;
    return groups.push_back({folder, {}}), groups.back().names;
  };
  for (const auto& target : arguments) {
    std::u16string path = platform::FullPath(PathArgument(target));
    if (platform::FolderExists(path)) {
      if (path.back() != u'\\') path += u'\\';
      std::vector<std::u16string> names;
      registration::FindLibraries(path.substr(0, path.size() - 1), names);
      auto& group = group_of(path);
      group.insert(group.end(), names.begin(), names.end());
    } else if (platform::FileExists(path)) {
      const std::size_t slash = path.find_last_of(u'\\');
      group_of(path.substr(0, slash + 1)).push_back(path.substr(slash + 1));
    } else {
      ReportError(target, "no such file or folder");
      all_found = false;
    }
  }
  return groups;
}

}  // namespace kv::cli
