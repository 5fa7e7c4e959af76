#include "platform/text_file.h"

#include <windows.h>

#include "platform/errors.h"
#include "platform/unicode.h"
#include "platform/win32/scope_exit.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace kv::platform {
namespace {

// The system's text for an error code, without the trailing period and line break.
std::string SystemReason(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::u16string reason = length ? win32::FromWide({text, length}) : u"";
  LocalFree(text);
  while (!reason.empty() &&
         (reason.back() == u'\r' || reason.back() == u'\n' || reason.back() == u' ' || reason.back() == u'.'))
    reason.pop_back();
  if (reason.empty()) return "System error code " + std::to_string(error);
  return Utf16ToUtf8(reason);
}

}  // namespace

void WriteAnsiLines(const std::u16string& path, const std::vector<std::u16string>& lines) {
  const wchar_t* name = win32::Wide(path);
  win32::UniqueFileHandle file(
      CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    throw PlatformError("Cannot create file \"" + Utf16ToUtf8(path) + "\". " + SystemReason(error), error,
                        path);
  }
  const std::string bytes = AnsiLinesBytes(lines);
  // No truncated file is left behind: closed first, since an open file cannot be deleted.
  auto remove_partial_file = win32::scope_exit([&] {
    file.reset();
    DeleteFileW(name);
  });
  DWORD written = 0;
  const bool ok = (bytes.empty() || (WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                               &written, nullptr) &&
                                     written == bytes.size())) &&
                  file.close();
  if (!ok) throw PlatformError("Stream write error", GetLastError(), path);
  remove_partial_file.release();
}

}  // namespace kv::platform
