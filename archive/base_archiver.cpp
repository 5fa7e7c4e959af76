#include "archive/base_archiver.h"

#include <array>
#include <stdexcept>

#include "platform/file_system.h"

namespace kv::archive {
namespace {

// CompressionMode by CompressionLevel, and CompressionLevel by CompressionMode 0-9.
constexpr std::array<std::uint8_t, 4> kModeOfLevel = {0, 1, 6, 9};
constexpr std::array<TKZCompressionLevel, 10> kLevelOfMode = {clNone,   clFastest, clFastest, clFastest, clNormal,
                                                              clNormal, clNormal,  clMax,     clMax,     clMax};

}  // namespace

const std::u16string TKZBaseArchiver::kCurrentVersion = u"1.0.0";

TKZBaseArchiver::TKZBaseArchiver() { SetCompressionLevel(clFastest); }

TKZBaseArchiver::~TKZBaseArchiver() { CloseArchive(); }

void TKZBaseArchiver::SetActive(bool value) {
  if (value == FActive) return;
  if (value) OpenArchive();
  else CloseArchive();
}

bool TKZBaseArchiver::Exists() const { return platform::FileExists(FFileName); }

std::int64_t TKZBaseArchiver::Size() {
  CheckActive();
  return FCompressedStream->Size();
}

std::int32_t TKZBaseArchiver::FileCount() {
  CheckActive();
  const TKZDirArray& dir = FDMHandle->CDir;
  std::int32_t folders = 0;
  for (std::int32_t i = 0; i < dir.Count(); ++i)
    if (dir[i].IsFolder()) ++folders;
  return dir.Count() - folders;
}

std::string TKZBaseArchiver::Comment() const { return FDMHandle ? FDMHandle->ArchiveComment : std::string(); }

void TKZBaseArchiver::SetComment(const std::string& comment) {
  CheckActive();
  CheckCanModify();
  FDMHandle->ArchiveComment = comment;
  if (!InUpdate() && FSpanningMode == smNone) FDMHandle->SaveDir(false, nullptr);
}

void TKZBaseArchiver::CheckActive() const {
  if (!FActive) throw EKZException(kNative::ArchiveNotOpen, Name);
}

void TKZBaseArchiver::CheckNotInUpdate() const {
  if (InUpdate()) throw EKZException(kNative::UpdateNotEnded, Name);
}

void TKZBaseArchiver::CheckCanModify() const {
  if (!InUpdate() && FDMHandle && FDMHandle->CDir.Count() > 0 && FSpanningMode != smNone)
    throw EKZException(kNative::SpannedArchiveNotModifiable, Name);
}

void TKZBaseArchiver::SetCompressionLevel(TKZCompressionLevel level) {
  FCompressionLevel = level;
  FCompressionMode = kModeOfLevel[level];
  UpdateCompressionMethod();
}

void TKZBaseArchiver::SetCompressionMode(int mode) {
  if (mode < 0 || mode > 9) throw EKZException(kNative::InvalidCompressionMode, Name);
  FCompressionMode = static_cast<std::uint8_t>(mode);
  FCompressionLevel = kLevelOfMode[static_cast<std::size_t>(mode)];
  UpdateCompressionMethod();
}

void TKZBaseArchiver::SetSpanningMode(TKZSpanningMode mode) {
  if (FActive) throw std::logic_error("Cannot set spanning mode on open archive");
  FSpanningMode = mode;
}

void TKZBaseArchiver::SetInMemory(bool value) {
  if (value == FInMemory) return;
  if (!FActive) {
    FInMemory = value;
    return;
  }
  if (value) {
    // From file to memory: the archive starts again as a new, empty one in memory.
    CloseArchive();
    FInMemory = true;
    OpenArchive(kModeCreate);
    return;
  }
  // From memory to file: the bytes go into a new file, which is then opened.
  if (FFileName.empty()) throw EKZException(kNative::ConvertWithoutFileName, Name);
  CommitUpdate();
  // A new archive holding nothing yet gets its empty directory first, as a close would give it.
  if (FCompressedStream->Size() == FDMHandle->StubSize) FDMHandle->SaveDir(true, nullptr);
  std::string bytes = FCompressedStream->ReadAt(0, static_cast<std::size_t>(FCompressedStream->Size()));
  {
    TKZFileStream file(FFileName, kModeCreate);
    if (!file.WriteBytes(bytes))
      throw EKZException(kNative::WriteToStreamFailed, Name);  // the memory archive stays open
  }
  CloseArchive();
  FInMemory = false;
  OpenArchive();
}

void TKZBaseArchiver::SetPassword(const std::string& password) { FPassword = password; }

void TKZBaseArchiver::UpdateCompressionMethod() {}

}  // namespace kv::archive
