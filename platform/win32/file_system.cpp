#include "platform/file_system.h"

#include <windows.h>
// After <windows.h>, which it needs.
#include <shellapi.h>

#include <vector>

#include "platform/full_path_rules.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace kv::platform {
namespace {

using win32::FromWide;
using win32::Wide;
using win32::WideCopy;

// A handle opened only to read or write the times of a file or folder.
win32::UniqueFileHandle OpenForTimes(std::u16string_view path, DWORD access) {
  return win32::UniqueFileHandle(::CreateFileW(WideCopy(path).c_str(), access,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

DWORD AttributesOf(std::u16string_view path) { return ::GetFileAttributesW(WideCopy(path).c_str()); }

}  // namespace

bool FileExists(const std::u16string& path) {
  const DWORD attributes = GetFileAttributesW(Wide(path));
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::u16string& path) {
  const DWORD attributes = GetFileAttributesW(Wide(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateFolder(const std::u16string& path) {
  return CreateDirectoryW(Wide(path), nullptr) != FALSE || FolderExists(path);
}

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
      if (!::CreateDirectoryW(Wide(level), nullptr) && !FolderExists(level)) return false;
    }
    pos = end + 1;
  }
  return FolderExists(full);
}

bool IsLink(const std::u16string& path) {
  const DWORD attributes = GetFileAttributesW(Wide(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

std::optional<FolderIdentity> IdentifyFolder(const std::u16string& path) {
  // Without FILE_FLAG_OPEN_REPARSE_POINT the handle is the folder a link or junction leads to.
  const win32::UniqueFileHandle folder(::CreateFileW(Wide(path), 0,
                                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!folder || !GetFileInformationByHandle(folder.get(), &info) ||
      !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return std::nullopt;
  return FolderIdentity{info.dwVolumeSerialNumber,
                        (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

bool CopyFileReplacing(const std::u16string& from, const std::u16string& to) {
  return CopyFileW(Wide(from), Wide(to), FALSE) != FALSE;
}

bool MoveFileReplacing(const std::u16string& from, const std::u16string& to, MoveDurability durability) {
  // Write-through: the call returns only once the move is on the disk, so a power loss right
  // after it cannot bring the old file back.
  const DWORD write_through = durability == MoveDurability::kOnDisk ? MOVEFILE_WRITE_THROUGH : 0;
  return MoveFileExW(Wide(from), Wide(to), MOVEFILE_REPLACE_EXISTING | write_through) != FALSE;
}

bool DeleteFileAt(std::u16string_view path) { return ::DeleteFileW(WideCopy(path).c_str()) != 0; }

bool DeleteFileQuietly(const std::u16string& file) { return DeleteFileW(Wide(file)) != FALSE; }

bool ShellDeleteFiles(const std::u16string& folder, const std::u16string& mask, bool with_folders,
                      void* owner_window) {
  // The source is a list of names, each ended by a zero, the list by a second zero.
  std::u16string source = folder + u"\\" + mask;
  source.push_back(u'\0');
  SHFILEOPSTRUCTW operation{};
  operation.hwnd = static_cast<HWND>(owner_window);
  operation.wFunc = FO_DELETE;
  operation.pFrom = Wide(source);
  operation.fFlags = FOF_NOCONFIRMATION;
  if (!with_folders) operation.fFlags |= FOF_FILESONLY;
  return SHFileOperationW(&operation) == 0 && !operation.fAnyOperationsAborted;
}

std::optional<std::uint32_t> GetFileAttributesAt(std::u16string_view path) {
  const DWORD attributes = AttributesOf(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  return attributes;
}

bool SetFileAttributesAt(std::u16string_view path, std::uint32_t attributes) {
  return ::SetFileAttributesW(WideCopy(path).c_str(), attributes) != 0;
}

std::optional<std::uint32_t> GetLastWriteDosTime(std::u16string_view path) {
  const win32::UniqueFileHandle file = OpenForTimes(path, FILE_READ_ATTRIBUTES);
  FILETIME utc{}, local{};
  WORD date = 0, time = 0;
  if (!file || !::GetFileTime(file.get(), nullptr, nullptr, &utc)) return std::nullopt;
  if (!::FileTimeToLocalFileTime(&utc, &local) || !::FileTimeToDosDateTime(&local, &date, &time))
    return std::nullopt;
  return (static_cast<std::uint32_t>(date) << 16) | time;
}

bool SetLastWriteDosTime(std::u16string_view path, std::uint32_t dos_date_time) {
  FILETIME local{}, utc{};
  if (!::DosDateTimeToFileTime(static_cast<WORD>(dos_date_time >> 16), static_cast<WORD>(dos_date_time), &local) ||
      !::LocalFileTimeToFileTime(&local, &utc))
    return false;
  const win32::UniqueFileHandle file = OpenForTimes(path, FILE_WRITE_ATTRIBUTES);
  return file && ::SetFileTime(file.get(), nullptr, nullptr, &utc) != 0;
}

std::u16string FullPath(std::u16string_view path) {
  if (path.empty()) return {};
  const std::wstring wide = WideCopy(path);
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = ::GetFullPathNameW(wide.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (length == 0) return std::u16string(path);
    if (length < buffer.size()) return FromWide({buffer.data(), length});
    buffer.resize(length + 1);
  }
}

std::u16string CurrentFolder() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = ::GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0) return {};
    if (length < buffer.size()) return FromWide({buffer.data(), length});
    buffer.resize(length + 1);
  }
}

bool SetCurrentFolder(std::u16string_view path) {
  return ::SetCurrentDirectoryW(WideCopy(path).c_str()) != 0;
}

bool IsRemovableDrive(std::u16string_view path) {
  const std::u16string full = FullPath(path);
  const std::u16string_view root = PathRoot(full);
  if (root.empty()) return false;
  if (root.size() == 2 && (root[0] == u'A' || root[0] == u'a' || root[0] == u'B' || root[0] == u'b')) return true;
  return ::GetDriveTypeW(Wide(std::u16string(root) + u"\\")) == DRIVE_REMOVABLE;
}

}  // namespace kv::platform
