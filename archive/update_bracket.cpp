#include "archive/base_archiver.h"

namespace kv::archive {

void TKZBaseArchiver::BeginUpdate() {
  if (FSpanningMode != smNone && FUpdated) throw EKZException(kNative::SecondMultiVolumeUpdate);
  if (FUpdateCount == 0) {
    SetActive(true);
    if (!platform::ModeAllowsWriting(FFileOpenMode) && !IsCustomStream)
      throw EKZException(kNative::ArchiveReadOnly, Name);
    TKZDirArray& dir = FDMHandle->CDir;
    for (std::int32_t i = 0; i < dir.Count(); ++i) dir[i].Modified = false;
    FDMHandle->RBCDir.Assign(dir);
  }
  ++FUpdateCount;
}

void TKZBaseArchiver::EndUpdate() {
  if (FUpdateCount <= 0) return;
  if (FUpdateCount > 1) {
    --FUpdateCount;
    return;
  }
  FUpdated = true;
  CommitUpdate();
  if (FSpanningMode != smNone && FFileOpenMode == kModeCreate) FFileOpenMode = kModeReadWriteDenyWrite;
}

void TKZBaseArchiver::CancelUpdate() {
  if (FUpdateCount <= 0) return;
  FUpdateCount = 0;
  // Entries that the cancelled operation put into the directory have no data in the archive;
  // the directory goes back to what it was when the update began.
  if (FDMHandle) FDMHandle->CDir.Assign(FDMHandle->RBCDir);
}

}  // namespace kv::archive
