#include "platform/enumerate_folder.h"

#include <sys/stat.h>

#include "platform/find_files.h"
#include "platform/posix/native_path.h"

namespace kv::platform {

std::vector<FolderEntry> EnumerateFolder(const std::u16string& pattern, std::uint32_t attribute_filter) {
  std::vector<FolderEntry> entries;
  const auto separator = pattern.find_last_of(u"\\/");
  const std::u16string folder = separator == std::u16string::npos ? u"" : pattern.substr(0, separator + 1);
  // As on Windows, "*.*" matches names without a dot as well.
  const std::u16string mask = pattern.substr(folder.size());
  const std::u16string search = mask == u"*.*" ? folder + u"*" : pattern;
  for (FoundFile& found : FindFiles(search, attribute_filter)) {
    FolderEntry entry{std::move(found.name), found.attributes, 0};
    if (!entry.IsFolder()) {
      const auto native = posix::NativePath(folder + entry.name);
      struct stat st {};
      if (native && ::stat(native->c_str(), &st) == 0) entry.size = static_cast<std::uint64_t>(st.st_size);
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace kv::platform
