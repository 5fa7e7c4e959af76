#include "platform/file_stream.h"

#include <windows.h>

#include <array>

#include "platform/errors.h"
#include "platform/unicode.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace kv::platform {
namespace {

std::string Reason(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
      0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::u16string reason = length ? win32::FromWide({text, length}) : u"";
  LocalFree(text);
  while (!reason.empty() && (reason.back() == u'\r' || reason.back() == u'\n' || reason.back() == u' '))
    reason.pop_back();
  if (reason.empty()) return "System error code " + std::to_string(error);
  return Utf16ToUtf8(reason);
}

// FILE_SHARE_* flags by the mode word's sharing bits 0x00, 0x10, 0x20, 0x30, 0x40.
constexpr std::array<DWORD, 5> kShareFlags = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE};
constexpr std::array<DWORD, 3> kAccessFlags = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};

}  // namespace

struct File::Impl {
  win32::UniqueFileHandle handle;
  std::u16string path;
};

File File::Open(const std::u16string& path, std::uint16_t mode) {
  auto impl = std::make_unique<Impl>();
  impl->path = path;
  const bool create = mode == kOpenCreate;
  const DWORD access = create ? GENERIC_READ | GENERIC_WRITE : kAccessFlags[std::min<unsigned>(mode & 3, 2)];
  const DWORD share = create ? 0 : kShareFlags[std::min<unsigned>((mode & 0x70) >> 4, 4)];
  impl->handle.reset(CreateFileW(win32::Wide(path), access, share, nullptr,
                                 create ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!impl->handle) {
    const DWORD error = GetLastError();
    const char* what = create ? "Cannot create file \"" : "Cannot open file \"";
    throw PlatformError(what + Utf16ToUtf8(path) + "\". " + Reason(error), error, path);
  }
  return File(std::move(impl));
}

File::File(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
File::File(File&&) noexcept = default;
File& File::operator=(File&&) noexcept = default;
File::~File() = default;

std::size_t File::Read(void* buffer, std::size_t count) {
  std::size_t done = 0;
  auto* p = static_cast<char*>(buffer);
  while (done < count) {
    DWORD got = 0;
    const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
    if (!ReadFile(impl_->handle.get(), p + done, ask, &got, nullptr) || got == 0) break;
    done += got;
  }
  return done;
}

std::size_t File::Write(const void* buffer, std::size_t count) {
  std::size_t done = 0;
  const auto* p = static_cast<const char*>(buffer);
  while (done < count) {
    DWORD put = 0;
    const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
    if (!WriteFile(impl_->handle.get(), p + done, ask, &put, nullptr) || put == 0) break;
    done += put;
  }
  return done;
}

std::int64_t File::Seek(std::int64_t position) {
  LARGE_INTEGER to, now;
  to.QuadPart = position < 0 ? 0 : position;
  if (!SetFilePointerEx(impl_->handle.get(), to, &now, FILE_BEGIN)) return Position();
  return now.QuadPart;
}

std::int64_t File::Position() const {
  LARGE_INTEGER zero, now;
  zero.QuadPart = 0;
  if (!SetFilePointerEx(impl_->handle.get(), zero, &now, FILE_CURRENT)) return 0;
  return now.QuadPart;
}

std::int64_t File::Size() const {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(impl_->handle.get(), &size)) return 0;
  return size.QuadPart;
}

void File::SetSize(std::int64_t size) {
  const std::int64_t keep = Position();
  Seek(size);
  const bool ok = SetEndOfFile(impl_->handle.get());
  const DWORD error = GetLastError();
  Seek(std::min(keep, size));
  if (!ok) throw PlatformError("Cannot change the size of \"" + Utf16ToUtf8(impl_->path) + "\". " + Reason(error),
                               error, impl_->path);
}

bool File::Flush() { return FlushFileBuffers(impl_->handle.get()) != 0; }

const std::u16string& File::path() const { return impl_->path; }

}  // namespace kv::platform
