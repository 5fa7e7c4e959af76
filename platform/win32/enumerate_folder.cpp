#include "platform/enumerate_folder.h"

#include <windows.h>

namespace kv::platform {
namespace {

// Attributes a search leaves out unless they are asked for.
constexpr DWORD kFilteredBits = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | 0x08 | FILE_ATTRIBUTE_DIRECTORY;

class FindHandle {
 public:
  explicit FindHandle(HANDLE h) : h_(h) {}
  ~FindHandle() {
    if (h_ != INVALID_HANDLE_VALUE) FindClose(h_);
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};

}  // namespace

std::vector<FolderEntry> EnumerateFolder(const std::u16string& pattern, std::uint32_t attribute_filter) {
  std::vector<FolderEntry> entries;
  const std::wstring wide(pattern.begin(), pattern.end());
  WIN32_FIND_DATAW data{};
  FindHandle find(FindFirstFileW(wide.c_str(), &data));
  if (find.get() == INVALID_HANDLE_VALUE) return entries;
  do {
    const DWORD unwanted = data.dwFileAttributes & kFilteredBits & ~attribute_filter;
    if (unwanted) continue;
    FolderEntry entry;
    const std::wstring name(data.cFileName);
    entry.name.assign(name.begin(), name.end());
    entry.attributes = data.dwFileAttributes;
    if (!entry.IsFolder()) entry.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    entries.push_back(std::move(entry));
  } while (FindNextFileW(find.get(), &data));
  return entries;
}

}  // namespace kv::platform
