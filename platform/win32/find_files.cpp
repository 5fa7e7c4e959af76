#include "platform/find_files.h"

#include <windows.h>

#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace kv::platform {
namespace {

constexpr DWORD kFilterableAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | 0x08 /* volume label */ | FILE_ATTRIBUTE_DIRECTORY;

}  // namespace

std::optional<std::vector<FoundFile>> ListFolder(const std::u16string& pattern, std::uint32_t attribute_filter,
                                                 std::uint32_t* os_error) {
  std::vector<FoundFile> found;
  WIN32_FIND_DATAW data{};
  const win32::UniqueFindHandle search(FindFirstFileW(win32::Wide(pattern), &data));
  if (!search) {
    const DWORD error = GetLastError();
    // Nothing matched, or the folder is not there: an empty search, not an unreadable folder.
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_NO_MORE_FILES ||
        error == ERROR_INVALID_NAME || error == ERROR_BAD_NETPATH)
      return found;
    if (os_error) *os_error = error;
    return std::nullopt;
  }
  const DWORD excluded = ~attribute_filter & kFilterableAttributes;
  do {
    if ((data.dwFileAttributes & excluded) != 0) continue;
    FoundFile file{win32::FromWide(data.cFileName), data.dwFileAttributes, 0};
    if (!file.IsFolder())
      file.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    found.push_back(std::move(file));
  } while (FindNextFileW(search.get(), &data));
  return found;
}

std::vector<FoundFile> FindFiles(const std::u16string& pattern, std::uint32_t attribute_filter) {
  return ListFolder(pattern, attribute_filter).value_or(std::vector<FoundFile>{});
}

std::optional<std::u16string> FolderListingProblem(const std::u16string& folder) {
  std::u16string pattern = folder;
  if (!pattern.empty() && pattern.back() != u'\\' && pattern.back() != u'/') pattern += u'\\';
  WIN32_FIND_DATAW data{};
  // "." is listed in every folder that can be read, so only a failure finds nothing.
  const win32::UniqueFindHandle search(FindFirstFileW(win32::Wide(pattern + u"*"), &data));
  if (search) return std::nullopt;
  const DWORD error = GetLastError();
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
      0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::u16string reason = length ? win32::FromWide({text, length}) : u"";
  LocalFree(text);
  while (!reason.empty() && (reason.back() == u'\r' || reason.back() == u'\n' || reason.back() == u' ' ||
                             reason.back() == u'.'))
    reason.pop_back();
  if (reason.empty()) reason = u"System error code " + win32::FromWide(std::to_wstring(error));
  return reason;
}

}  // namespace kv::platform
