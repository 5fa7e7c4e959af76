// CompressFilesAhead: while one member is written, the small files of the next few members
// are read and deflated by the commit's workers (archive/compress_ahead.h).
#include "archive/base_archiver.h"
#include "archive/commit_state.h"

namespace kv::archive {
namespace {

// How far beyond the member in hand the commit looks for files to hand over.
constexpr std::int32_t kLookAhead = 32;
constexpr std::size_t kLongPath = 260;

// A member whose data comes from a file of its own and is deflated.
bool ReadsSourceFile(const TDirItem& item) {
  const bool rewrites = item.Modified && item.Operation != poRename && item.Operation != poChangeAttr &&
                        item.Operation != poChangeComment;
  const bool long_name = item.SrcFileName.size() >= kLongPath && item.SrcFileName.find(u"\\\\?\\") == std::u16string::npos;
  return rewrites && !item.Stream && !item.IsFolder() && !long_name && item.CompressionMethod != kMethodStored &&
         !item.SrcFileName.empty();
}

}  // namespace

void TKZBaseArchiver::CompressFilesAhead(std::int32_t index) {
  if (!FCommit || !FCommit->ahead) return;
  CompressAhead& ahead = *FCommit->ahead;
  // One file per worker and one more in hand keep every worker busy; memory stays bounded.
  const std::size_t most = FCommit->workers->Count() + 1;
  const TKZDirArray& dir = FDMHandle->CDir;
  const std::uint16_t mode = platform::kOpenRead | ShareModeBits(FOptions.ShareMode());
  for (std::int32_t j = index + 1; j < dir.Count() && j <= index + kLookAhead && ahead.Count() < most; ++j) {
    const TDirItem& item = dir[j];
    if (!ReadsSourceFile(item) || !CompressAhead::Worth(item.UncompressedSize(), item.CompressionMode)) continue;
    if (!ahead.Holds(item.SrcFileName)) ahead.Start(item.SrcFileName, mode, item.CompressionMode);
  }
}

}  // namespace kv::archive
