#include "platform/find_files.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "platform/file_system.h"
#include "platform/posix/fault_injection.h"
#include "platform/posix/native_path.h"
#include "platform/posix/wildcard.h"
#include "platform/unicode.h"

namespace kv::platform {
namespace {

constexpr std::uint32_t kFilterableAttributes = kAttrHidden | kAttrSystem | 0x08 | kAttrDirectory;

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

}  // namespace

std::optional<std::vector<FoundFile>> ListFolder(const std::u16string& pattern, std::uint32_t attribute_filter,
                                                 std::uint32_t* os_error) {
  std::vector<FoundFile> found;
  const size_t cut = pattern.find_last_of(u"\\/");
  const std::u16string folder = cut == std::u16string::npos ? u"" : pattern.substr(0, cut + 1);
  const std::u16string mask = cut == std::u16string::npos ? pattern : pattern.substr(cut + 1);
  const auto native = posix::NativePath(folder.empty() ? u"." : folder);
  if (!native || mask.empty()) return found;
  const auto refuse = [&](int error) -> std::optional<std::vector<FoundFile>> {
    if (os_error) *os_error = static_cast<std::uint32_t>(error);
    return std::nullopt;
  };
  if (const auto error = posix::ListingIsRefused(folder.empty() ? posix::CurrentWindowsFolder() : folder))
    return refuse(*error);
  const std::unique_ptr<DIR, DirCloser> dir(opendir(native->c_str()));
  if (!dir) {
    // As FindFirstFileW: a folder that is not there is a search that found nothing.
    if (errno == ENOENT || errno == ENOTDIR) return found;
    return refuse(errno);
  }
  const std::uint32_t excluded = ~attribute_filter & kFilterableAttributes;
  // As on Windows, "*.*" matches names without a dot as well.
  const auto dot_star = mask == u"*.*" ? posix::DotStar::AlsoNoExtension : posix::DotStar::AsWritten;
  while (const dirent* entry = readdir(dir.get())) {
    const std::u16string name = Utf8ToUtf16(entry->d_name);
    if (!posix::MatchesWildcard(name, mask, dot_star)) continue;
    const auto attributes = GetFileAttributesAt(folder + name);
    if (!attributes || (*attributes & excluded) != 0) continue;
    FoundFile file{name, *attributes | (IsLink(folder + name) ? kAttrReparsePoint : 0u), 0};
    if (!file.IsFolder()) {
      const auto file_native = posix::NativePath(folder + name);
      struct stat st {};
      if (file_native && ::stat(file_native->c_str(), &st) == 0)
        file.size = static_cast<std::uint64_t>(st.st_size);
    }
    found.push_back(std::move(file));
  }
  return found;
}

std::vector<FoundFile> FindFiles(const std::u16string& pattern, std::uint32_t attribute_filter) {
  return ListFolder(pattern, attribute_filter).value_or(std::vector<FoundFile>{});
}

std::optional<std::u16string> FolderListingProblem(const std::u16string& folder) {
  const auto native = posix::NativePath(folder.empty() ? u"." : folder);
  if (!native) return u"The path is not a folder of this system";
  const std::unique_ptr<DIR, DirCloser> dir(opendir(native->c_str()));
  if (dir) return std::nullopt;
  return Utf8ToUtf16(std::strerror(errno));
}

}  // namespace kv::platform
