#include "platform/file_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <list>
#include <mutex>

#include "platform/errors.h"
#include "platform/posix/fault_injection.h"
#include "platform/posix/native_path.h"
#include "platform/unicode.h"

namespace kv::platform {
namespace {

constexpr unsigned kRead = 1, kWrite = 2;
// Windows' ERROR_SHARING_VIOLATION, kept as the error of a refused open.
constexpr std::uint32_t kSharingViolation = 32;

// Access and sharing of one open File, for the in-process emulation of Windows sharing.
struct OpenRecord {
  dev_t device;
  ino_t inode;
  unsigned access;  // kRead | kWrite
  unsigned share;   // what others may do
};

// The open Files of this process. Windows enforces sharing between all processes; this
// stand-in can only see its own opens.
class ShareTable {
 public:
  static ShareTable& Instance() {
    static ShareTable table;
    return table;
  }
  // Registers an open unless it conflicts with one already registered.
  std::list<OpenRecord>::iterator Add(const OpenRecord& r, bool& conflict) {
    std::lock_guard lock(mutex_);
    conflict = std::any_of(records_.begin(), records_.end(), [&](const OpenRecord& o) {
      return o.device == r.device && o.inode == r.inode &&
             ((r.access & ~o.share) != 0 || (o.access & ~r.share) != 0);
    });
    return conflict ? records_.end() : records_.insert(records_.end(), r);
  }
  void Remove(std::list<OpenRecord>::iterator it) {
    std::lock_guard lock(mutex_);
    records_.erase(it);
  }

 private:
  std::mutex mutex_;
  std::list<OpenRecord> records_;
};

// What others may do, by the mode word's sharing bits 0x00, 0x10, 0x20, 0x30, 0x40.
constexpr unsigned kShareByBits[5] = {0, 0, kRead, kWrite, kRead | kWrite};
constexpr unsigned kAccessByBits[3] = {kRead, kWrite, kRead | kWrite};

// Marks a sharing conflict in Fail (outside the range of errno values).
constexpr int kShareConflict = -1;

[[noreturn]] void Fail(bool create, const std::u16string& path, int error) {
  const char* what = create ? "Cannot create file \"" : "Cannot open file \"";
  const bool sharing = error == kShareConflict;
  const std::string reason =
      sharing ? "The process cannot access the file because it is being used by another process" : std::strerror(error);
  const std::uint32_t code = sharing ? kSharingViolation : static_cast<std::uint32_t>(error);
  throw PlatformError(what + Utf16ToUtf8(path) + "\". " + reason, code, path);
}

}  // namespace

struct File::Impl {
  int fd = -1;
  std::u16string path;
  std::list<OpenRecord>::iterator record;
  bool registered = false;
  ~Impl() {
    if (registered) ShareTable::Instance().Remove(record);
    if (fd >= 0) ::close(fd);
  }
};

File File::Open(const std::u16string& path, std::uint16_t mode) {
  auto impl = std::make_unique<Impl>();
  impl->path = path;
  const bool create = mode == kOpenCreate;
  if (create)
    if (const auto refused = posix::CreateIsRefused()) Fail(create, path, *refused);
  const auto native = create ? posix::NativePathForCreate(path) : posix::NativePath(path);
  if (!native) Fail(create, path, ENOENT);
  const unsigned access = create ? kRead | kWrite : kAccessByBits[std::min(mode & 3, 2)];
  const unsigned share = create ? 0 : kShareByBits[std::min((mode & 0x70) >> 4, 4)];
  const int flags = (access == kRead ? O_RDONLY : access == kWrite ? O_WRONLY : O_RDWR) | O_CLOEXEC |
                    (create ? O_CREAT : 0);
  impl->fd = ::open(native->c_str(), flags, 0666);
  if (impl->fd < 0) Fail(create, path, errno);
  struct stat st {};
  if (::fstat(impl->fd, &st) != 0) Fail(create, path, errno);
  if (S_ISDIR(st.st_mode)) Fail(create, path, EISDIR);
  bool conflict = false;
  impl->record = ShareTable::Instance().Add(OpenRecord{st.st_dev, st.st_ino, access, share}, conflict);
  if (conflict) Fail(create, path, kShareConflict);
  impl->registered = true;
  // Truncate only once the sharing check has passed, so a refused create changes nothing.
  if (create && ::ftruncate(impl->fd, 0) != 0) Fail(create, path, errno);
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
    const ssize_t got = ::read(impl_->fd, p + done, count - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  return done;
}

std::size_t File::Write(const void* buffer, std::size_t count) {
  if (posix::WriteIsRefused(impl_->path)) return 0;
  std::size_t done = 0;
  const auto* p = static_cast<const char*>(buffer);
  while (done < count) {
    const ssize_t put = ::write(impl_->fd, p + done, count - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) break;
    done += static_cast<std::size_t>(put);
  }
  return done;
}

std::int64_t File::Seek(std::int64_t position) {
  const off_t at = ::lseek(impl_->fd, static_cast<off_t>(std::max<std::int64_t>(position, 0)), SEEK_SET);
  return at < 0 ? Position() : static_cast<std::int64_t>(at);
}

std::int64_t File::Position() const {
  const off_t at = ::lseek(impl_->fd, 0, SEEK_CUR);
  return at < 0 ? 0 : static_cast<std::int64_t>(at);
}

std::int64_t File::Size() const {
  struct stat st {};
  return ::fstat(impl_->fd, &st) == 0 ? static_cast<std::int64_t>(st.st_size) : 0;
}

void File::SetSize(std::int64_t size) {
  const std::int64_t keep = Position();
  if (::ftruncate(impl_->fd, static_cast<off_t>(std::max<std::int64_t>(size, 0))) != 0) {
    const int error = errno;
    throw PlatformError("Cannot change the size of \"" + Utf16ToUtf8(impl_->path) + "\". " + std::strerror(error),
                        static_cast<std::uint32_t>(error), impl_->path);
  }
  Seek(std::min(keep, size));
}

bool File::Flush() { return ::fsync(impl_->fd) == 0; }

const std::u16string& File::path() const { return impl_->path; }

}  // namespace kv::platform
