#include "platform/temp_files.h"

#include <windows.h>

#include "platform/errors.h"
#include "platform/unicode.h"

namespace kv::platform {
namespace {

std::wstring Wide(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }
std::u16string Narrow(const wchar_t* s) {
  std::wstring w(s);
  return std::u16string(w.begin(), w.end());
}

[[noreturn]] void Fail(const char* what, const std::u16string& path) {
  const DWORD code = GetLastError();
  throw PlatformError(std::string(what) + " \"" + Utf16ToUtf8(path) + "\" (error " + std::to_string(code) + ")",
                      code, path);
}

}  // namespace

std::u16string TempFolder() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
  if (n == 0 || n > MAX_PATH) Fail("Cannot find the temporary folder", u"");
  return Narrow(buffer);
}

std::u16string CreateUniqueTempFile(const std::u16string& folder, const std::u16string& prefix) {
  wchar_t buffer[MAX_PATH + 1] = {};
  if (GetTempFileNameW(Wide(folder).c_str(), Wide(prefix).c_str(), 0, buffer) == 0)
    Fail("Cannot create a temporary file in", folder);
  return Narrow(buffer);
}

void FlushFileToDisk(const std::u16string& path) {
  HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) Fail("Cannot open file", path);
  const BOOL ok = FlushFileBuffers(h);
  const DWORD code = GetLastError();
  CloseHandle(h);
  if (!ok) {
    SetLastError(code);
    Fail("Cannot flush file", path);
  }
}

}  // namespace kv::platform
