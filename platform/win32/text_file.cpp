#include "platform/text_file.h"

#include <windows.h>

#include "platform/errors.h"
#include "platform/unicode.h"

namespace kv::platform {
namespace {

// The system's text for an error code, without the trailing period and line break.
std::string SystemReason(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::u16string reason = length ? std::u16string(reinterpret_cast<const char16_t*>(text), length) : u"";
  LocalFree(text);
  while (!reason.empty() &&
         (reason.back() == u'\r' || reason.back() == u'\n' || reason.back() == u' ' || reason.back() == u'.'))
    reason.pop_back();
  if (reason.empty()) return "System error code " + std::to_string(error);
  return Utf16ToUtf8(reason);
}

class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() { Close(); }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  HANDLE get() const { return handle_; }
  bool Close() {
    const bool closed = handle_ == INVALID_HANDLE_VALUE || CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE handle_;
};

}  // namespace

void WriteAnsiLines(const std::u16string& path, const std::vector<std::u16string>& lines) {
  const auto* name = reinterpret_cast<const wchar_t*>(path.c_str());
  FileHandle file(
      CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    throw PlatformError("Cannot create file \"" + Utf16ToUtf8(path) + "\". " + SystemReason(error), error,
                        path);
  }
  const std::string bytes = AnsiLinesBytes(lines);
  DWORD written = 0;
  const bool ok = (bytes.empty() || (WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                               &written, nullptr) &&
                                     written == bytes.size())) &&
                  file.Close();
  if (!ok) {
    const DWORD error = GetLastError();
    file.Close();
    DeleteFileW(name);
    throw PlatformError("Stream write error", error, path);
  }
}

}  // namespace kv::platform
