// Opening and closing the archive: the choice of mode, the new, existing and self-extracting
// open steps, and the release of stream and directory manager.
#include <algorithm>

#include "archive/base_archiver.h"
#include "platform/errors.h"
#include "platform/file_system.h"

namespace kv::archive {
namespace {

// The part of a path after its last folder or drive separator.
std::u16string_view NamePart(std::u16string_view path) {
  const std::size_t at = path.find_last_of(u"\\/:");
  return at == std::u16string_view::npos ? path : path.substr(at + 1);
}

bool FileExists(const std::u16string& path) { return platform::FileExists(path); }

// Restores OpenCorruptedArchives on every way out of an open step.
class OptionRestorer {
 public:
  explicit OptionRestorer(bool& option) : option_(option), saved_(option) { option_ = false; }
  ~OptionRestorer() { option_ = saved_; }
  OptionRestorer(const OptionRestorer&) = delete;
  OptionRestorer& operator=(const OptionRestorer&) = delete;

 private:
  bool& option_;
  bool saved_;
};

}  // namespace

bool TKZBaseArchiver::IsExeName(const std::u16string& file_name) {
  std::u16string lower(file_name);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; });
  const std::size_t dot = lower.find_last_of(u'.');
  const std::size_t slash = lower.find_last_of(u"\\/");
  const bool has_extension = dot != std::u16string::npos && (slash == std::u16string::npos || dot > slash);
  return has_extension && lower.substr(dot).find(u".exe") != std::u16string::npos;
}

bool TKZBaseArchiver::IsRemovable(const std::u16string& file_name) {
  const std::u16string full = platform::FullPath(file_name);
  if (full.size() >= 2 && full[1] == u':') {
    const char16_t drive = full[0] & ~0x20;
    if (drive == u'A' || drive == u'B') return true;
  }
  return platform::IsRemovableDrive(full);
}

std::uint16_t TKZBaseArchiver::ChooseOpenMode() const {
  if (FInMemory || !FileExists(FFileName)) return kModeCreate;
  try {
    platform::File probe = platform::File::Open(FFileName, kModeReadWriteDenyWrite);
    return kModeReadWriteDenyWrite;
  } catch (const platform::PlatformError&) {
    return kModeReadShared;
  }
}

void TKZBaseArchiver::OpenArchive() {
  FUpdated = false;
  if (!FInMemory && NamePart(FFileName).empty()) throw EKZException(kNative::OpenWithoutFileName, Name);
  OpenArchive(ChooseOpenMode());
}

void TKZBaseArchiver::OpenArchive(std::uint16_t mode) {
  FUpdated = false;
  const bool create = mode == kModeCreate;
  if (!FInMemory && NamePart(FFileName).empty()) throw EKZException(kNative::OpenModeWithoutFileName, Name);
  if (!create && !FileExists(FFileName) && FSpanningMode != smSpanning && !IsRemovable(FFileName))
    throw EKZException(kNative::ArchiveFileNotFound, {FFileName}, Name);
  if (!create && FInMemory) throw EKZException(kNative::InMemoryCreateOnly, Name);
  CloseArchive();
  IsCustomStream = false;
  FFileOpenMode = mode;
  try {
    if (create || FInMemory) {
      OpenNew();
    } else {
      FSpanningMode = smNone;
      FVolumeNumberInfo.Reset();
      if (IsExeName(FFileName)) OpenSelfExtracting();
      else OpenExisting();
      if (!FDMHandle->HasCentralDirEnd() && !FOpenCorruptedArchives)
        throw EKZException(kNative::DamagedNoEndRecord, Name);
      FDMHandle->LoadDir();
    }
  } catch (...) {
    // A failed open leaves the object closed, with nothing held.
    ReleaseArchive();
    throw;
  }
  FActive = true;
  if (AfterOpen) AfterOpen(*this);
}

void TKZBaseArchiver::OpenArchive(TKZStream& stream, bool create) {
  if (FSpanningMode != smNone) throw EKZException(kNative::CustomStreamMultiVolume, Name);
  CloseArchive();
  IsCustomStream = true;
  FCompressedStream = &stream;
  try {
    if (create) {
      stream.SetSize(0);
      FDMHandle = std::make_unique<TKZDirManager>(stream, *this, true);
      FDMHandle->SaveDir(true, nullptr);
    } else {
      FDMHandle = std::make_unique<TKZDirManager>(stream, *this, false);
      FDMHandle->LoadDir();
    }
  } catch (...) {
    ReleaseArchive();
    throw;
  }
  FActive = true;
  if (AfterOpen) AfterOpen(*this);
}

void TKZBaseArchiver::OpenArchiveStream() {
  if (!FCompressedStream) {
    FOwnedStream = std::make_unique<TKZFileStream>(FFileName, FFileOpenMode);
    FCompressedStream = FOwnedStream.get();
    VolumeFileNameValue = FFileName;
  }
}

void TKZBaseArchiver::OpenNew() {
  if (FInMemory) {
    FOwnedStream = std::make_unique<TKZMemoryStream>();
    FCompressedStream = FOwnedStream.get();
    FDMHandle = std::make_unique<TKZDirManager>(*FCompressedStream, *this, true);
    return;
  }
  // A stub that cannot be read fails the open before the archive file is created or emptied.
  if (!FSFXStub.empty()) platform::File::Open(FSFXStub, platform::kOpenRead | platform::kShareDenyNone);
  FVolumeNumberInfo.MarkFirst();
  OpenArchiveStream();
  FDMHandle = std::make_unique<TKZDirManager>(*FCompressedStream, *this, true);
}

void TKZBaseArchiver::OpenExisting() {
  OptionRestorer corrupted(FOpenCorruptedArchives);
  // A single archive file takes one pass; the passes for further volumes of a spanned
  // archive are not supported, so the loop never asks for another disk.
  FDMHandle.reset();
  FVolumeNumberInfo.Reset();
  FVolumeNumberInfo.MarkLast();
  if (!FileExists(FFileName) && IsRemovable(FFileName)) FSpanningMode = smSpanning;
  OpenArchiveStream();
  FDMHandle = std::make_unique<TKZDirManager>(*FCompressedStream, *this, false);
  DetectVolumeMode(FDMHandle->HasCentralDirEnd());
}

void TKZBaseArchiver::OpenSelfExtracting() {
  OptionRestorer corrupted(FOpenCorruptedArchives);
  FVolumeNumberInfo.MarkLast();
  OpenArchiveStream();
  FDMHandle = std::make_unique<TKZDirManager>(*FCompressedStream, *this, false);
  // Without an end record the file stays a single file without a directory; a split
  // self-extracting archive with a ".ZIP" last part is not supported.
  if (FDMHandle->HasCentralDirEnd()) DetectVolumeMode(true);
}

void TKZBaseArchiver::DetectVolumeMode(bool end_record_found) {
  // An end record naming another disk would start the probing for further volumes, which is
  // not supported: the archive is read as a single file.
  if (end_record_found) FSpanningMode = smNone;
  else FSpanningMode = IsRemovable(FFileName) ? smSpanning : smNone;
}

void TKZBaseArchiver::CloseArchive() noexcept {
  if (FActive) {
    try {
      CommitUpdate();
      // A new archive to which nothing was written becomes a valid empty one.
      if (FCompressedStream && FDMHandle && FCompressedStream->Size() == FDMHandle->StubSize)
        FDMHandle->SaveDir(true, nullptr);
    } catch (...) {
      // A failure while closing is lost; the archive is closed in any case.
    }
    FActive = false;
  }
  ReleaseArchive();
}

void TKZBaseArchiver::ReleaseArchive() noexcept {
  FDMHandle.reset();
  FOwnedStream.reset();
  FCompressedStream = nullptr;
  FUpdateCount = 0;
}

}  // namespace kv::archive
