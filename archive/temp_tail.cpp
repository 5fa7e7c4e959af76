#include "archive/temp_tail.h"

#include <algorithm>
#include <vector>

#include "archive/base_archiver.h"
#include "archive/errors.h"
#include "platform/file_system.h"

namespace kv::archive {
namespace {

constexpr std::size_t kCopyBlock = 0x100000;

}  // namespace

std::int64_t CopyStreamBytes(TKZStream& from, TKZStream& to, std::int64_t count) {
  std::vector<char> buffer(static_cast<std::size_t>(std::min<std::int64_t>(std::max<std::int64_t>(count, 0), kCopyBlock)));
  std::int64_t copied = 0;
  while (copied < count) {
    const auto n = static_cast<std::size_t>(std::min<std::int64_t>(kCopyBlock, count - copied));
    const std::size_t got = from.Read(buffer.data(), n);
    const std::size_t put = to.Write(buffer.data(), got);
    copied += static_cast<std::int64_t>(put);
    if (got != n || put != got) break;
  }
  return copied;
}

UpdateFile::UpdateFile(const std::u16string& archive_name)
    : archive_name_(archive_name), file_name_(NameFor(archive_name)) {
  // A read-only leftover could not be truncated by the create below.
  platform::SetFileAttributesAt(file_name_, platform::kAttrNormal);
  stream_ = std::make_unique<TKZFileStream>(file_name_, platform::kOpenCreate);
}

UpdateFile::~UpdateFile() {
  stream_.reset();  // closed first: an open file cannot be deleted on Windows
  if (!installed_) platform::DeleteFileAt(file_name_);
}

bool UpdateFile::Install() {
  stream_.reset();
  if (const auto attributes = platform::GetFileAttributesAt(archive_name_))
    platform::SetFileAttributesAt(file_name_, *attributes & ~platform::kAttrReadOnly);
  installed_ = platform::MoveFileReplacing(file_name_, archive_name_);
  return installed_;
}

TempTail::TempTail(const std::u16string& file_name, TKZStream& archive, std::int64_t offset,
                   const TKZBaseArchiver& arc)
    : file_name_(file_name) {
  try {
    stream_ = std::make_unique<TKZFileStream>(file_name_, platform::kOpenCreate);
    Fill(archive, offset, arc);
  } catch (...) {
    stream_.reset();  // closed first: an open file cannot be deleted on Windows
    platform::DeleteFileAt(file_name_);
    throw;
  }
}

void TempTail::Fill(TKZStream& archive, std::int64_t offset, const TKZBaseArchiver& arc) {
  const std::int64_t count = std::max<std::int64_t>(archive.Size() - offset, 0);
  archive.Seek(offset);
  std::vector<char> buffer(static_cast<std::size_t>(std::min<std::int64_t>(count, kCopyBlock)));
  for (std::int64_t copied = 0; copied < count;) {
    const auto n = static_cast<std::size_t>(std::min<std::int64_t>(kCopyBlock, count - copied));
    if (archive.Read(buffer.data(), n) != n) throw EKZException(kNative::InvalidArchive, arc.Name);
    if (stream_->Write(buffer.data(), n) != n) throw EKZException(kNative::DiskFull, arc.Name);
    copied += static_cast<std::int64_t>(n);
  }
}

TempTail::~TempTail() {
  stream_.reset();
  if (!keep_) platform::DeleteFileAt(file_name_);
}

bool TempTail::CopyTo(TKZStream& archive) {
  const std::int64_t size = stream_->Size();
  stream_->Seek(0);
  return CopyStreamBytes(*stream_, archive, size) == size;
}

}  // namespace kv::archive
