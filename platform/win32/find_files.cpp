#include "platform/find_files.h"

#include <windows.h>

#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace kv::platform {
namespace {

constexpr DWORD kFilterableAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | 0x08 /* volume label */ | FILE_ATTRIBUTE_DIRECTORY;

}  // namespace

std::vector<FoundFile> FindFiles(const std::u16string& pattern, std::uint32_t attribute_filter) {
  std::vector<FoundFile> found;
  WIN32_FIND_DATAW data{};
  const win32::UniqueFindHandle search(FindFirstFileW(win32::Wide(pattern), &data));
  if (!search) return found;
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

}  // namespace kv::platform
