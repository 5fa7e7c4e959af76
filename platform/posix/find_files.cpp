#include "platform/find_files.h"

#include <dirent.h>

#include <memory>

#include "platform/file_system.h"
#include "platform/posix/native_path.h"
#include "platform/unicode.h"

namespace kv::platform {
namespace {

constexpr std::uint32_t kFilterableAttributes = kAttrHidden | kAttrSystem | 0x08 | kAttrDirectory;

char16_t FoldCase(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }

// Windows wildcard match: '*' any run of characters, '?' any one character, case-insensitive.
bool WildcardMatches(std::u16string_view mask, std::u16string_view name) {
  size_t m = 0, n = 0, star = std::u16string_view::npos, resume = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == u'?' || FoldCase(mask[m]) == FoldCase(name[n]))) {
      ++m, ++n;
    } else if (m < mask.size() && mask[m] == u'*') {
      star = m++, resume = n;
    } else if (star != std::u16string_view::npos) {
      m = star + 1, n = ++resume;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == u'*') ++m;
  return m == mask.size();
}

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

}  // namespace

std::vector<FoundFile> FindFiles(const std::u16string& pattern, std::uint32_t attribute_filter) {
  std::vector<FoundFile> found;
  const size_t cut = pattern.find_last_of(u"\\/");
  const std::u16string folder = cut == std::u16string::npos ? u"" : pattern.substr(0, cut + 1);
  const std::u16string mask = cut == std::u16string::npos ? pattern : pattern.substr(cut + 1);
  const auto native = posix::NativePath(folder.empty() ? u"." : folder);
  if (!native || mask.empty()) return found;
  const std::unique_ptr<DIR, DirCloser> dir(opendir(native->c_str()));
  if (!dir) return found;
  const std::uint32_t excluded = ~attribute_filter & kFilterableAttributes;
  while (const dirent* entry = readdir(dir.get())) {
    const std::u16string name = Utf8ToUtf16(entry->d_name);
    if (!WildcardMatches(mask, name)) continue;
    const auto attributes = GetFileAttributesAt(folder + name);
    if (!attributes || (*attributes & excluded) != 0) continue;
    found.push_back({name, *attributes});
  }
  return found;
}

}  // namespace kv::platform
