// CopyMember: an unchanged member (or a replaced one whose new data was not stored) copied
// byte for byte from where the commit keeps the old members (the old archive file, or the
// saved tail of a caller's stream) to the archive's current position.
#include "archive/base_archiver.h"
#include "archive/commit_state.h"
#include "archive/errors.h"

namespace kv::archive {
namespace {

constexpr std::uint64_t kMax32 = 0xFFFFFFFF;

}  // namespace

void TKZBaseArchiver::CopyMember(std::int32_t index) {
  TKZDirManager& dm = *FDMHandle;
  TDirItem& entry = dm.CDir[index];
  const bool renamed = entry.Modified && entry.Operation == poRename;
  const std::u16string& old_name = renamed ? entry.OldName : entry.Name;
  std::int32_t old_index = -1;
  for (std::int32_t i = 0; i < dm.RBCDir.Count() && old_index < 0; ++i)
    if (dm.RBCDir[i].Name == old_name) old_index = i;
  TKZCommitState* state = FCommit;
  if (old_index < 0 || !state || !state->source) throw EKZException(kNative::CopiedMemberOutOfRange, Name);
  const TDirItem& old_item = dm.RBCDir[old_index];
  if (entry.Operation == poUpdate) entry = old_item;

  const std::int64_t old_offset = static_cast<std::int64_t>(old_item.LocalHeaderOffset()) - state->source_base;
  TKZStream& from = *state->source;
  const auto header = TKZLocalFileHeader::Parse(from.ReadAt(old_offset, TKZLocalFileHeader::kSize));
  if (old_offset < 0 || !header) throw EKZException(kNative::InvalidArchive, Name);
  const std::int64_t length = static_cast<std::int64_t>(TKZLocalFileHeader::kSize + old_item.CentralDir.nameLength +
                                                        header->extraLength + old_item.CompressedSize());

  TKZStream& archive = *FCompressedStream;
  const std::int64_t position = archive.Position();
  if (entry.CentralDir.relOffsetLH == kMax32 || static_cast<std::uint64_t>(position) >= kMax32) {
    if (static_cast<std::uint64_t>(position) >= kMax32) entry.bHugeFile = true;
    entry.CentralDir.relOffsetLH = static_cast<std::uint32_t>(kMax32);
    entry.Zip64ExtInfo.relOffsetLH = static_cast<std::uint64_t>(position);
  } else {
    entry.CentralDir.relOffsetLH = static_cast<std::uint32_t>(position);
  }
  from.Seek(old_offset);
  if (CopyStreamBytes(from, archive, length) != length)
    throw EKZException(kNative::WriteToStreamFailed, Name);
}

}  // namespace kv::archive
