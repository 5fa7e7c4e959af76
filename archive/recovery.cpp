// Rebuilding a directory from the local headers when the central directory is missing or
// cannot be read. The scan goes forward once through the stream; every header found is
// checked for plausibility before it becomes an item. Where a member's end is known (its
// compressed size, or its data descriptor) and a record follows it, the scan goes on there,
// so the bytes of a member (a stored archive, say) never yield items of their own.
#include "archive/base_archiver.h"
#include "archive/data_descriptor_search.h"
#include "archive/dir_manager.h"
#include "archive/errors.h"
#include "archive/extra_fields.h"
#include "archive/name_encoding.h"
#include "archive/signature_scanner.h"

namespace kv::archive {
namespace {

TKZZipCentralDir CentralFromLocal(const TKZLocalFileHeader& h, std::int64_t position) {
  TKZZipCentralDir c;
  c.versionMadeBy = c.extractVersion = h.extractVersion;
  c.genPurposeFlag = h.genPurposeFlag;
  c.compMethod = h.compMethod;
  c.lastModTime = h.lastModTime;
  c.lastModDate = h.lastModDate;
  c.crc32 = h.crc32;
  c.compSize = h.compSize;
  c.unCompSize = h.unCompSize;
  c.nameLength = h.nameLength;
  c.extraLength = h.extraLength;
  c.externalAttr = kAttrArchive;  // a folder only by its name, decided once the name is known
  c.relOffsetLH = static_cast<std::uint32_t>(position);
  return c;
}

bool EndsWithSeparator(const std::u16string& name) {
  return !name.empty() && (name.back() == u'/' || name.back() == u'\\');
}

// A 64-bit value into its 32-bit field, or all ones there and the value in the Zip64 information.
void SetSize(std::uint32_t& field, std::uint64_t& wide, std::uint64_t value, TDirItem& item) {
  if (value < kZip64Marker32) {
    field = static_cast<std::uint32_t>(value);
    return;
  }
  field = kZip64Marker32;
  wide = value;
  item.bHugeFile = true;
}

void TakeDescriptor(const FoundDescriptor& d, TDirItem& item) {
  item.CentralDir.crc32 = d.crc32;
  SetSize(item.CentralDir.compSize, item.Zip64ExtInfo.compSize, d.compressed, item);
  SetSize(item.CentralDir.unCompSize, item.Zip64ExtInfo.uncompSize, d.uncompressed, item);
}

}  // namespace

void TKZDirManager::Recover(bool zip_end_record_found) {
  FEndRecordFound = zip_end_record_found;
  FRecovered = true;
  CDir.Clear();
  RebuildFromLocalHeaders();
  CentralDirOffset = FCompressedStream->Size();
  StubSize = 0;  // the rebuilt offsets are stream positions
}

void TKZDirManager::RebuildFromLocalHeaders() {
  if (FArc->SpanningMode() != smNone) throw EKZException(kNative::SpannedArchiveNotRecoverable, FArc->Name);
  TKZStream& stream = *FCompressedStream;
  const std::int64_t size = stream.Size();
  SignatureScanner scanner(stream, kLocalHeaderSignature, kRecoveryWindow);
  DataDescriptorSearch descriptors(stream);
  const auto next_header = [&](std::int64_t from) -> std::int64_t {
    const std::int64_t hit = scanner.Next(from);
    return hit >= 0 && size - hit >= static_cast<std::int64_t>(TKZLocalFileHeader::kSize) ? hit : -1;
  };
  std::int64_t p = next_header(0);
  if (p < 0) throw EKZException(kNative::InvalidArchive, FArc->Name);
  while (p >= 0) {
    const std::int64_t member_end = RecoverMember(p, descriptors);
    // Past the member when a record follows it; byte by byte through it otherwise.
    if (member_end > p && member_end <= size && IsRecordBoundary(stream, member_end))
      p = next_header(member_end);
    else
      p = next_header(p + 4);
  }
  // Headers that all fail their checks are no archive, not an empty one.
  if (CDir.Count() == 0) throw EKZException(kNative::InvalidArchive, FArc->Name);
}

std::int64_t TKZDirManager::RecoverMember(std::int64_t p, DataDescriptorSearch& descriptors) {
  TKZStream& stream = *FCompressedStream;
  const std::int64_t size = stream.Size();
  const auto header = TKZLocalFileHeader::Parse(stream.ReadAt(p, TKZLocalFileHeader::kSize));
  // Plausibility: the extra field stays small.
  if (!header || header->extraLength > kRecoveryMaxExtra) return -1;
  const std::int64_t name_at = p + static_cast<std::int64_t>(TKZLocalFileHeader::kSize);
  const std::int64_t data_at = name_at + header->nameLength + header->extraLength;
  // Plausibility: the header's name and extra field lie within the stream.
  if (data_at > size) return -1;
  const bool streamed = (header->genPurposeFlag & kFlagDataDescriptor) != 0;

  TDirItem item;
  item.CentralDir = CentralFromLocal(*header, p);
  if ((header->genPurposeFlag & kFlagEncrypted) != 0 && header->extractVersion < kVersionAesLimit)
    item.KZEncryptionAlgorithm = caPkzipClassic;
  item.CompressionMethod = header->compMethod;
  const std::string extra = stream.ReadAt(name_at + header->nameLength, header->extraLength);
  const auto unicode_name = ParseExtraFields(extra, item);
  // Plausibility: a size the header gives (in its Zip64 block when marked) fits the stream.
  // A streamed member's header sizes mean nothing; its descriptor must be found instead.
  std::optional<FoundDescriptor> descriptor;
  if (streamed) {
    descriptor = descriptors.Find(data_at, header->compMethod);
    if (!descriptor) return -1;
    TakeDescriptor(*descriptor, item);
  } else if (!HasZip64ValuesForMarkers(item) || item.CompressedSize() >= static_cast<std::uint64_t>(size)) {
    return -1;
  }

  const std::int32_t index = CDir.Count();
  CDir.SetCount(index + 1);
  CDir[index] = std::move(item);  // nameless, as the new item was; the name goes in below
  std::u16string name;
  if (size - name_at >= header->nameLength) {
    const bool oem = NeedsOemStep(FArc->Options().OEMFileNames(), header->genPurposeFlag, FEndRecordFound);
    name = DecodeRecoveredName(stream.ReadAt(name_at, header->nameLength), header->genPurposeFlag, oem);
  }
  CDir.SetItemName(index, name);
  if (unicode_name) CDir.SetItemName(index, *unicode_name);
  TDirItem& recovered = CDir[index];
  if (EndsWithSeparator(recovered.Name)) recovered.CentralDir.externalAttr = kAttrDirectory;
  // Offsets beyond 32 bits live in the Zip64 information.
  if (p >= static_cast<std::int64_t>(kZip64Marker32)) {
    recovered.CentralDir.relOffsetLH = kZip64Marker32;
    recovered.Zip64ExtInfo.relOffsetLH = static_cast<std::uint64_t>(p);
    recovered.bHugeFile = true;
  }
  if (descriptor) return descriptor->end;
  return data_at + static_cast<std::int64_t>(recovered.CompressedSize());
}

}  // namespace kv::archive
