#include "platform/file_system.h"

#include <windows.h>

#include <vector>

#include "platform/file_ops.h"
#include "platform/full_path_rules.h"

namespace kv::platform {
namespace {

std::wstring Wide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

std::u16string Narrow16(std::wstring_view text) { return std::u16string(text.begin(), text.end()); }

// Owner of a file handle opened only to read or write its times.
class TimeHandle {
 public:
  TimeHandle(std::u16string_view path, DWORD access)
      : handle_(::CreateFileW(Wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)) {}
  ~TimeHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
  }
  TimeHandle(const TimeHandle&) = delete;
  TimeHandle& operator=(const TimeHandle&) = delete;
  bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

DWORD AttributesOf(std::u16string_view path) { return ::GetFileAttributesW(Wide(path).c_str()); }

}  // namespace

bool CreateFolderTree(std::u16string_view path) {
  const std::u16string full = FullPath(path);
  if (full.empty()) return false;
  // Create each level below the root; an existing folder is fine, anything else is not.
  std::size_t pos = PathRoot(full).size() + 1;
  while (pos <= full.size()) {
    std::size_t end = full.find(u'\\', pos);
    if (end == std::u16string::npos) end = full.size();
    const std::u16string level = full.substr(0, end);
    if (end > pos && !FolderExists(level)) {
      if (!::CreateDirectoryW(Wide(level).c_str(), nullptr) && !FolderExists(level)) return false;
    }
    pos = end + 1;
  }
  return FolderExists(full);
}

bool DeleteFileAt(std::u16string_view path) { return ::DeleteFileW(Wide(path).c_str()) != 0; }



std::optional<std::uint32_t> GetFileAttributesAt(std::u16string_view path) {
  const DWORD attributes = AttributesOf(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  return attributes;
}

bool SetFileAttributesAt(std::u16string_view path, std::uint32_t attributes) {
  return ::SetFileAttributesW(Wide(path).c_str(), attributes) != 0;
}

std::optional<std::uint32_t> GetLastWriteDosTime(std::u16string_view path) {
  TimeHandle file(path, FILE_READ_ATTRIBUTES);
  FILETIME utc{}, local{};
  WORD date = 0, time = 0;
  if (!file.ok() || !::GetFileTime(file.get(), nullptr, nullptr, &utc)) return std::nullopt;
  if (!::FileTimeToLocalFileTime(&utc, &local) || !::FileTimeToDosDateTime(&local, &date, &time))
    return std::nullopt;
  return (static_cast<std::uint32_t>(date) << 16) | time;
}

bool SetLastWriteDosTime(std::u16string_view path, std::uint32_t dos_date_time) {
  FILETIME local{}, utc{};
  if (!::DosDateTimeToFileTime(static_cast<WORD>(dos_date_time >> 16), static_cast<WORD>(dos_date_time), &local) ||
      !::LocalFileTimeToFileTime(&local, &utc))
    return false;
  TimeHandle file(path, FILE_WRITE_ATTRIBUTES);
  return file.ok() && ::SetFileTime(file.get(), nullptr, nullptr, &utc) != 0;
}

std::u16string FullPath(std::u16string_view path) {
  if (path.empty()) return {};
  const std::wstring wide = Wide(path);
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = ::GetFullPathNameW(wide.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (length == 0) return std::u16string(path);
    if (length < buffer.size()) return Narrow16(std::wstring_view(buffer.data(), length));
    buffer.resize(length + 1);
  }
}

std::u16string CurrentFolder() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = ::GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0) return {};
    if (length < buffer.size()) return Narrow16(std::wstring_view(buffer.data(), length));
    buffer.resize(length + 1);
  }
}

bool SetCurrentFolder(std::u16string_view path) { return ::SetCurrentDirectoryW(Wide(path).c_str()) != 0; }

bool IsRemovableDrive(std::u16string_view path) {
  const std::u16string full = FullPath(path);
  const std::u16string_view root = PathRoot(full);
  if (root.empty()) return false;
  if (root.size() == 2 && (root[0] == u'A' || root[0] == u'a' || root[0] == u'B' || root[0] == u'b')) return true;
  return ::GetDriveTypeW(Wide(std::u16string(root) + u"\\").c_str()) == DRIVE_REMOVABLE;
}

}  // namespace kv::platform
