#pragma once
// The temporary files of a commit.
//
// UpdateFile: the new archive that a commit of an archive file builds beside the old one and
// then puts in the old one's place in one step, so that a commit stopped at any moment (a
// kill, a power loss) leaves either the old archive or the new one under the archive's name.
//
// TempTail: for an archive in a caller's stream, which is rewritten in place, the saved tail:
// a temporary file that holds the archive from the write start to its end, so that members
// behind a change survive the rewrite. The file is deleted when the object goes, on every way
// out, unless Keep() was called.
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

class UpdateFile {
 public:
  // The name of the new archive built for `archive_name`: beside it (a move within one folder
  // cannot fail for lack of room or cross a volume), and saying what a leftover is.
  static std::u16string NameFor(const std::u16string& archive_name) { return archive_name + u".kv-update.tmp"; }

  // Creates NameFor(archive_name) afresh (exclusive access), replacing a leftover of a commit
  // that was killed; a file that cannot be created raises the platform's error.
  explicit UpdateFile(const std::u16string& archive_name);
  // Deletes the file unless Install() put it in the archive's place.
  ~UpdateFile();
  UpdateFile(const UpdateFile&) = delete;
  UpdateFile& operator=(const UpdateFile&) = delete;

  TKZFileStream& Stream() { return *stream_; }
  const std::u16string& FileName() const { return file_name_; }
  // Writes the file's buffers to the disk; false when the system refuses.
  bool Flush() { return stream_->Flush(); }
  // Closes the file and moves it over the archive in one step, with the old archive's
  // attributes. The archive must be closed by then (Windows refuses to replace an open file).
  // False when the move fails: the archive is then untouched and this file is still deleted
  // by the destructor.
  bool Install();

 private:
  std::u16string archive_name_;
  std::u16string file_name_;
  std::unique_ptr<TKZFileStream> stream_;
  bool installed_ = false;
};

// Copies `count` bytes from `from`'s position to `to`'s position in 1 MiB blocks. Returns
// the bytes copied, fewer when a read or a write comes up short.
std::int64_t CopyStreamBytes(TKZStream& from, TKZStream& to, std::int64_t count);

}  // namespace kv::archive
