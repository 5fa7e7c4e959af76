#include "platform/find_files.h"

#include <windows.h>

namespace kv::platform {
namespace {

constexpr DWORD kFilterableAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | 0x08 /* volume label */ | FILE_ATTRIBUTE_DIRECTORY;

class FindHandle {
 public:
  explicit FindHandle(HANDLE handle) : handle_(handle) {}
  ~FindHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

std::vector<FoundFile> FindFiles(const std::u16string& pattern, std::uint32_t attribute_filter) {
  std::vector<FoundFile> found;
  WIN32_FIND_DATAW data{};
  const FindHandle search(FindFirstFileW(reinterpret_cast<const wchar_t*>(pattern.c_str()), &data));
  if (search.get() == INVALID_HANDLE_VALUE) return found;
  const DWORD excluded = ~attribute_filter & kFilterableAttributes;
  do {
    if ((data.dwFileAttributes & excluded) != 0) continue;
    const auto* name = reinterpret_cast<const char16_t*>(data.cFileName);
    found.push_back({std::u16string(name), data.dwFileAttributes});
  } while (FindNextFileW(search.get(), &data));
  return found;
}

}  // namespace kv::platform
