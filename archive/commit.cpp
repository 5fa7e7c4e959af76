// CommitUpdate: writes the pending changes of an update and leaves the archive exactly as it
// was when the update fails, is cancelled or aborted.
//
// An archive file is never written in place: the new archive is built in an UpdateFile beside
// it (the bytes before the first change copied, then the changed and later members, the
// directory), flushed, and moved over the old one in one step, so that a commit stopped at
// any moment leaves the old archive or the new one under its name, never a mix. Only an
// archive in a caller's stream (or in memory) is rewritten in place from the first change.
#include <optional>

#include "archive/base_archiver.h"
#include "archive/commit_state.h"
#include "archive/errors.h"
#include "platform/file_system.h"
#include "platform/temp_files.h"

namespace kv::archive {
namespace {

// The first index, below both counts, where the old and new entries' names differ or the new
// entry is marked Modified; the smaller count when there is none.
std::int32_t FirstChangedIndex(const TKZDirArray& old_dir, const TKZDirArray& new_dir) {
  const std::int32_t limit = std::min(old_dir.Count(), new_dir.Count());
  for (std::int32_t i = 0; i < limit; ++i)
    if (new_dir[i].Modified || new_dir[i].Name != old_dir[i].Name) return i;
  return limit;
}

bool RewritesData(const TDirItem& item) {
  return item.Modified && item.Operation != poRename && item.Operation != poChangeAttr &&
         item.Operation != poChangeComment;
}

// Clears the archive object's pointer to the commit state on every way out.
class CommitScope {
 public:
  CommitScope(TKZCommitState*& slot, TKZCommitState& state) : slot_(slot) { slot_ = &state; }
  ~CommitScope() { slot_ = nullptr; }
  CommitScope(const CommitScope&) = delete;
  CommitScope& operator=(const CommitScope&) = delete;

 private:
  TKZCommitState*& slot_;
};

}  // namespace

std::u16string TKZBaseArchiver::MakeTempFileName() const {
  const std::u16string folder = FTempDir.empty() ? platform::TempFolder() : FTempDir;
  return platform::CreateUniqueTempFile(folder, u"FC");
}

void TKZBaseArchiver::CommitUpdate() {
  if (FUpdateCount <= 0) return;
  FUpdateCount = 0;
  if (!FDMHandle) return;
  FProcessedFileNo = 0;
  FProcessedFileCount = 0;
  FProcessedFilesTotalSize = 0;
  FProcessedFilesSize = 0;
  FProgressCancel = false;
  FProgressEnabled = true;

  TKZDirManager& dm = *FDMHandle;
  TKZDirArray& dir = dm.CDir;
  const TKZDirArray& old_dir = dm.RBCDir;
  std::optional<TKZProcessOperation> first_operation;
  for (std::int32_t i = 0; i < dir.Count(); ++i) {
    if (!dir[i].Modified) continue;
    FProcessedFilesTotalSize += static_cast<std::int64_t>(dir[i].UncompressedSize());
    ++FProcessedFileCount;
    if (!first_operation) first_operation = dir[i].Operation;
  }
  TKZCommitState state;
  state.first_changed = FirstChangedIndex(old_dir, dir);
  const TKZProcessOperation operation = first_operation.value_or(poDelete);

  DoOverallProgress(operation, ppStart, 0.0);
  if (FProgressCancel) {
    dir.Assign(old_dir);
    return;
  }
  CommitScope scope(FCommit, state);
  TKZStream& archive = *FCompressedStream;
  state.old_central_dir_end = dm.CentralDirEnd;
  state.old_zip64_end = dm.Zip64CentralDirEnd;
  state.old_zip64_locator = dm.Zip64CentralDirEndLocator;
  state.old_central_dir_offset = dm.CentralDirOffset;

  const bool in_new_file = BuildsInNewFile();
  try {
    if (state.first_changed < old_dir.Count()) {
      state.write_start = static_cast<std::int64_t>(old_dir[state.first_changed].LocalHeaderOffset());
    } else {
      state.write_start = old_dir.Count() > 0 ? dm.CentralDirOffset : dm.StubSize;
      state.write_start = std::min(state.write_start, archive.Size());
    }
    if (in_new_file) {
      // The old archive stays as it is; everything before the first change is the same in
      // the new one.
      state.update = std::make_unique<UpdateFile>(FFileName);
      archive.Seek(0);
      if (CopyStreamBytes(archive, state.update->Stream(), state.write_start) != state.write_start)
        throw EKZException(kNative::DiskFull, Name);
      state.old_archive = &archive;
      state.source = &archive;
      state.source_base = 0;
    } else if (state.first_changed < old_dir.Count()) {
      // Members from the first change on must survive: set the old tail aside first.
      state.tail = std::make_unique<TempTail>(MakeTempFileName(), archive, state.write_start, *this);
      state.source = &state.tail->Stream();
      state.source_base = state.write_start;
    } else {
      state.old_end = archive.ReadAt(state.write_start, static_cast<std::size_t>(archive.Size() - state.write_start));
    }
  } catch (...) {
    state.update.reset();
    dir.Assign(old_dir);  // nothing was written
    throw;
  }
  if (in_new_file) {
    FCompressedStream = &state.update->Stream();
    dm.SetCompressedStream(*FCompressedStream);
  }
  TKZStream& out = *FCompressedStream;
  const std::size_t threads = FCompressionThreads > 0 ? FCompressionThreads : CompressWorkers::DefaultCount();
  if (threads > 1 && FProcessedFileCount > 0) {
    state.workers = std::make_unique<CompressWorkers>(threads);
    state.ahead = std::make_unique<CompressAhead>(*state.workers);
  }

  bool aborted = false;
  try {
    out.Seek(state.write_start);
    out.SetSize(state.write_start);
    for (std::int32_t i = state.first_changed; i < dir.Count() && !FProgressCancel;) {
      bool stored = true;
      do {
        state.action = fxaIgnore;
        stored = true;
        if (RewritesData(dir[i])) {
          CompressFilesAhead(i);
          stored = StoreMember(i);
          // A file read ahead and not used (the member failed) is read again on a retry.
          if (state.ahead) state.ahead->Drop(dir[i].SrcFileName);
        } else
          CopyMember(i);
      } while (state.action == fxaRetry);
      if (state.action == fxaAbort) aborted = true;
      if (aborted || FProgressCancel) break;
      if (stored) {
        ++FProcessedFileNo;
        ++i;
      } else if (dir[i].Operation == poAdd) {
        dir.DeleteItem(i);  // the source is dropped from the archive
      } else {
        CopyMember(i);  // the old member stays
        ++i;
      }
    }
    if (!aborted && !FProgressCancel) {
      dm.SaveDir(true, &out);
      if (in_new_file) InstallUpdateFile();
      state.tail.reset();
    }
  } catch (...) {
    RollbackUpdate();
    throw;
  }
  if (aborted || FProgressCancel) {
    RollbackUpdate();
    return;
  }
  DoOverallProgress(operation, ppEnd, 100.0);
  // A new archive file was flushed before it took the old one's place.
  if (FOptions.FlushBuffers() && !in_new_file)
    if (auto* file = dynamic_cast<TKZFileStream*>(FCompressedStream)) file->Flush();
}

bool TKZBaseArchiver::BuildsInNewFile() const {
  return !IsCustomStream && !FInMemory && FSpanningMode == smNone && FOwnedStream &&
         FOwnedStream.get() == FCompressedStream && dynamic_cast<TKZFileStream*>(FCompressedStream) != nullptr;
}

void TKZBaseArchiver::InstallUpdateFile() {
  TKZCommitState& state = *FCommit;
  TKZDirManager& dm = *FDMHandle;
  if (!state.update->Flush()) throw EKZException(kNative::WriteToStreamFailed, Name);
  // Windows cannot move a file over one that is open, so the old archive is closed for the
  // switch and the archive opened again afterwards, the new one or, when the move failed,
  // the old one.
  FCompressedStream = nullptr;
  state.old_archive = nullptr;
  state.source = nullptr;
  FOwnedStream.reset();
  const bool installed = state.update->Install();
  // A new archive is opened again as an existing one: creating it again would empty it.
  const std::uint16_t mode = FFileOpenMode == kModeCreate ? kModeReadWriteDenyWrite : FFileOpenMode;
  try {
    FOwnedStream = std::make_unique<TKZFileStream>(FFileName, mode);
  } catch (...) {
    // The archive is on the disk (old or new) but cannot be held: the object closes.
    FActive = false;
    ReleaseArchive();
    throw;
  }
  FCompressedStream = FOwnedStream.get();
  dm.SetCompressedStream(*FCompressedStream);
  if (!installed) {
    state.old_archive = FCompressedStream;
    throw EKZException(kNative::WriteToStreamFailed, Name);
  }
  state.update.reset();
}

void TKZBaseArchiver::RollbackUpdate() {
  if (!FDMHandle) return;
  TKZDirManager& dm = *FDMHandle;
  dm.CDir.Assign(dm.RBCDir);
  dm.ForgetMemberStarts();
  if (!FCompressedStream || !FCommit) return;
  TKZCommitState& state = *FCommit;
  dm.CentralDirEnd = state.old_central_dir_end;
  dm.Zip64CentralDirEnd = state.old_zip64_end;
  dm.Zip64CentralDirEndLocator = state.old_zip64_locator;
  dm.CentralDirOffset = state.old_central_dir_offset;
  if (state.update) {
    // The old archive file was never written: the new one is dropped and the old one read again.
    if (state.old_archive) {
      FCompressedStream = state.old_archive;
      dm.SetCompressedStream(*FCompressedStream);
    }
    state.update.reset();
    return;
  }
  TKZStream& archive = *FCompressedStream;
  try {
    archive.Seek(state.write_start);
    archive.SetSize(state.write_start);
    const bool restored = state.tail ? state.tail->CopyTo(archive) : archive.WriteBytes(state.old_end);
    // When the tail could not be copied back, its file is the only copy of those members.
    if (!restored && state.tail) state.tail->Keep();
  } catch (...) {
    if (state.tail) state.tail->Keep();
  }
  state.tail.reset();
}

}  // namespace kv::archive
