#pragma once
// An open file with the open and sharing modes of the archive engine's mode word.
//
// Mode word: kOpenCreate (0xFF00) creates a new file or truncates an existing one to 0 bytes
// and opens it for reading and writing, exclusively. Any other value: the low two bits give
// the access (0 read, 1 write, 2 read and write) and the bits 0x70 the sharing granted to
// other openers (0x00 and 0x10 none, 0x20 others may read but not write, 0x30 others may
// write but not read, 0x40 others may do anything). An existing file is required.
//
// Promises, the same on both platforms:
// - Open throws PlatformError with the OS error and the path when the file cannot be opened
//   or created: missing file or folder, or a sharing conflict with another open File of the
//   same file. Messages: "Cannot open file "<path>". <reason>" and, for create,
//   "Cannot create file "<path>". <reason>".
// - Read and Write return the number of bytes moved (fewer at the end of the file or when
//   the device refuses); they throw nothing. Seek positions absolutely; positions beyond the
//   end are allowed (a later write extends the file). SetSize cuts or extends the file and
//   leaves the position where it was, clamped to the new size.
// Win32: CreateFileW with the matching FILE_SHARE_* flags; the system enforces sharing for
// every process. POSIX stand-in: sharing is enforced only between Files of this process
// (a small process-wide table of open files keyed by device and inode); other processes are
// not restrained.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/errors.h"  // File::Open throws PlatformError

namespace kv::platform {

inline constexpr std::uint16_t kOpenCreate = 0xFF00;
inline constexpr std::uint16_t kOpenRead = 0x00;
inline constexpr std::uint16_t kOpenWrite = 0x01;
inline constexpr std::uint16_t kOpenReadWrite = 0x02;
inline constexpr std::uint16_t kShareCompat = 0x00;
inline constexpr std::uint16_t kShareExclusive = 0x10;
inline constexpr std::uint16_t kShareDenyWrite = 0x20;
inline constexpr std::uint16_t kShareDenyRead = 0x30;
inline constexpr std::uint16_t kShareDenyNone = 0x40;

// True when `mode` lets the holder write (create, write, or read-and-write).
constexpr bool ModeAllowsWriting(std::uint16_t mode) { return (mode & 0xFF03) != 0; }

class File {
 public:
  static File Open(const std::u16string& path, std::uint16_t mode);

  File(File&&) noexcept;
  File& operator=(File&&) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File();

  std::size_t Read(void* buffer, std::size_t count);
  std::size_t Write(const void* buffer, std::size_t count);
  std::int64_t Seek(std::int64_t position);
  std::int64_t Position() const;
  std::int64_t Size() const;
  // Throws PlatformError when the size cannot be changed.
  void SetSize(std::int64_t size);
  // Writes the system's buffers to the device (FlushFileBuffers); false on failure.
  bool Flush();

  const std::u16string& path() const;

  struct Impl;

 private:
  explicit File(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace kv::platform
