#pragma once
// The saved tail of an archive during a commit: a temporary file that holds the archive from
// the write start to its end, so that members behind a change survive the rewrite. The file
// is deleted when the object goes, on every way out, unless Keep() was called.
#include <cstdint>
#include <memory>
#include <string>

#include "archive/stream.h"

namespace kv::archive {

class TKZBaseArchiver;

class TempTail {
 public:
  // Creates `file_name` afresh (exclusive access) and copies `archive` from `offset` to its
  // end into it. Raises EKZException kNative::InvalidArchive when the archive ends early and
  // kNative::DiskFull when the temporary file takes fewer bytes; a file that cannot be created
  // raises the platform's error. The temporary file is removed again on failure.
  TempTail(const std::u16string& file_name, TKZStream& archive, std::int64_t offset, const TKZBaseArchiver& arc);
  ~TempTail();
  TempTail(const TempTail&) = delete;
  TempTail& operator=(const TempTail&) = delete;

  TKZStream& Stream() { return *stream_; }
  const std::u16string& FileName() const { return file_name_; }
  // Copies the whole tail into `archive` at its current position; false when a write comes
  // up short or the tail cannot be read back.
  bool CopyTo(TKZStream& archive);
  // Leaves the file on disk (its bytes are the only copy of the archive's tail).
  void Keep() { keep_ = true; }

 private:
  void Fill(TKZStream& archive, std::int64_t offset, const TKZBaseArchiver& arc);

  std::u16string file_name_;
  std::unique_ptr<TKZFileStream> stream_;
  bool keep_ = false;
};

// Copies `count` bytes from `from`'s position to `to`'s position in 1 MiB blocks. Returns
// the bytes copied, fewer when a read or a write comes up short.
std::int64_t CopyStreamBytes(TKZStream& from, TKZStream& to, std::int64_t count);

}  // namespace kv::archive
