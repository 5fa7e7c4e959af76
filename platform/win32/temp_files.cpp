#include "platform/temp_files.h"

#include <windows.h>

#include "platform/errors.h"
#include "platform/unicode.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace kv::platform {
namespace {

using win32::FromWide;
using win32::Wide;

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
  return FromWide(buffer);
}

std::u16string CreateUniqueTempFile(const std::u16string& folder, const std::u16string& prefix) {
  wchar_t buffer[MAX_PATH + 1] = {};
  if (GetTempFileNameW(Wide(folder), Wide(prefix), 0, buffer) == 0)
    Fail("Cannot create a temporary file in", folder);
  return FromWide(buffer);
}

void FlushFileToDisk(const std::u16string& path) {
  const win32::UniqueFileHandle file(CreateFileW(Wide(path), GENERIC_WRITE,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) Fail("Cannot open file", path);
  // Fail reads the error before the handle is closed on the way out.
  if (!FlushFileBuffers(file.get())) Fail("Cannot flush file", path);
}

}  // namespace kv::platform
