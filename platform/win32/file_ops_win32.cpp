#include <windows.h>
// After <windows.h>, which it needs.
#include <shellapi.h>

#include "platform/file_ops.h"

namespace kv::platform {
namespace {

const wchar_t* W(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

}  // namespace

bool CopyFileReplacing(const std::u16string& from, const std::u16string& to) {
  return CopyFileW(W(from), W(to), FALSE) != FALSE;
}

bool ShellDeleteFiles(const std::u16string& folder, const std::u16string& mask, bool with_folders) {
  // The source is a list of names, each ended by a zero, the list by a second zero.
  std::u16string source = folder + u"\\" + mask;
  source.push_back(u'\0');
  SHFILEOPSTRUCTW operation{};
  operation.hwnd = GetActiveWindow();
  operation.wFunc = FO_DELETE;
  operation.pFrom = W(source);
  operation.fFlags = FOF_NOCONFIRMATION;
  if (!with_folders) operation.fFlags |= FOF_FILESONLY;
  return SHFileOperationW(&operation) == 0 && !operation.fAnyOperationsAborted;
}

bool DeleteFileQuietly(const std::u16string& file) { return DeleteFileW(W(file)) != FALSE; }

bool FileExists(const std::u16string& path) {
  const DWORD attributes = GetFileAttributesW(W(path));
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::u16string& path) {
  const DWORD attributes = GetFileAttributesW(W(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateFolder(const std::u16string& path) {
  return CreateDirectoryW(W(path), nullptr) != FALSE || FolderExists(path);
}

}  // namespace kv::platform
