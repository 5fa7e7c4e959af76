// Refusing members that share bytes with another member: several records naming one local
// header, or a record pointing into another member's data, let a small archive extract to many
// times its size with every member honest about its own size (the building block of overlap
// bombs). Each member's header and data must be its own, and its local header must carry
// the name its record gives.
#include <algorithm>
#include <limits>

#include "archive/base_archiver.h"
#include "archive/dir_manager.h"
#include "archive/errors.h"
#include "archive/name_encoding.h"
#include "archive/records.h"
#include "archive/stream.h"

namespace kv::archive {
namespace {

bool HasUnicodeNameBlock(const TDirItem& item) {
  return std::any_of(item.ExtraFields.begin(), item.ExtraFields.end(),
                     [](const TKZExtraFieldDataBlock& block) { return block.headerID == kUnicodeNameExtraId; });
}

}  // namespace

void TKZDirManager::CheckMemberBounds(std::int32_t index, TKZStream& archive) {
  if (!FMemberStartsKnown) {
    // Folder items are left out: their offsets are not moved with a stub and nothing of
    // theirs is extracted.
    FMemberStarts.clear();
    FMemberStarts.reserve(static_cast<std::size_t>(CDir.Count()));
    for (std::int32_t i = 0; i < CDir.Count(); ++i)
      if (!CDir[i].IsFolder()) FMemberStarts.emplace_back(CDir[i].LocalHeaderOffset(), i);
    std::sort(FMemberStarts.begin(), FMemberStarts.end());
    FMemberStartsKnown = true;
  }
  const TDirItem& item = CDir[index];
  const std::uint64_t start = item.LocalHeaderOffset();
  if (start > static_cast<std::uint64_t>(archive.Size())) return;
  const auto at = static_cast<std::int64_t>(start);
  const auto header = TKZLocalFileHeader::Parse(archive.ReadAt(at, TKZLocalFileHeader::kSize));
  if (!header || header->signature != kLocalHeaderSignature) return;

  const std::uint64_t data_at = start + TKZLocalFileHeader::kSize + header->nameLength + header->extraLength;
  const std::uint64_t compressed = std::min(item.CompressedSize(), std::numeric_limits<std::uint64_t>::max() - data_at);
  const std::uint64_t end = data_at + compressed;
  // The records naming this header, in directory order, and the next header after it.
  const auto first = std::lower_bound(FMemberStarts.begin(), FMemberStarts.end(), std::pair{start, std::int32_t{-1}});
  const auto last = std::upper_bound(first, FMemberStarts.end(), std::pair{start, std::numeric_limits<std::int32_t>::max()});
  const bool claimed_before = first != last && first->second < index;  // an earlier record has it
  const bool next_inside = last != FMemberStarts.end() && last->first < end;
  if (claimed_before || next_inside) throw EKZException(kNative::OverlappingMember, {item.Name}, FArc->Name);

  const std::string local_name =
      archive.ReadAt(at + static_cast<std::int64_t>(TKZLocalFileHeader::kSize), header->nameLength);
  // The same bytes give the same name, so the local bytes are decoded as the record's were.
  // A Unicode name block replaces the record's name, which then cannot be compared.
  if (!FRecovered && !HasUnicodeNameBlock(item) &&
      DecodeCentralName(local_name, item.CentralDir.genPurposeFlag, OemStepOnRead(item.CentralDir.genPurposeFlag)) !=
          item.Name)
    throw EKZException(kNative::LocalNameMismatch, {item.Name}, FArc->Name);
}

}  // namespace kv::archive
