#include "platform/text_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/errors.h"
#include "platform/posix/native_path.h"
#include "platform/unicode.h"

namespace kv::platform {
namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() { Close(); }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  bool Close() {
    const bool closed = fd_ < 0 || ::close(fd_) == 0;
    fd_ = -1;
    return closed;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

void WriteAnsiLines(const std::u16string& path, const std::vector<std::u16string>& lines) {
  const auto native = posix::NativePathForCreate(path);
  errno = ENOENT;
  FileDescriptor file(native ? ::open(native->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644) : -1);
  if (file.get() < 0) {
    const int error = errno;
    throw PlatformError("Cannot create file \"" + Utf16ToUtf8(path) + "\". " + std::strerror(error),
                        static_cast<std::uint32_t>(error), path);
  }
  if (!WriteAll(file.get(), AnsiLinesBytes(lines)) || !file.Close()) {
    const int error = errno;
    file.Close();
    ::unlink(native->c_str());
    throw PlatformError("Stream write error", static_cast<std::uint32_t>(error), path);
  }
}

}  // namespace kv::platform
