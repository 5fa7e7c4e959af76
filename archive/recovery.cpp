// Rebuilding a directory from the local headers when the central directory is missing or
// cannot be read. The scan goes forward once through the stream; every header found is
// checked for plausibility before it becomes an item.
#include "archive/base_archiver.h"
#include "archive/dir_manager.h"
#include "archive/errors.h"
#include "archive/extra_fields.h"
#include "archive/name_encoding.h"
#include "archive/signature_scanner.h"

namespace kv::archive {
namespace {

// The next data descriptor at or after a position, remembered so that many entries with a
// descriptor do not rescan the same bytes.
class DescriptorFinder {
 public:
  explicit DescriptorFinder(TKZStream& stream)
      : stream_(stream), scanner_(stream, kDataDescriptorSignature, TKZDirManager::kRecoveryWindow) {}

  std::optional<TKZDataDescriptor> At(std::int64_t from) {
    if (exhausted_) return std::nullopt;
    if (found_ < from) found_ = scanner_.Next(from);
    if (found_ < 0) {
      exhausted_ = true;
      return std::nullopt;
    }
    return TKZDataDescriptor::Parse(stream_.ReadAt(found_, TKZDataDescriptor::kSize));  // needs 16 bytes
  }

 private:
  TKZStream& stream_;
  SignatureScanner scanner_;
  std::int64_t found_ = -1;
  bool exhausted_ = false;
};

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
  // Without a size and without a descriptor the entry is taken for a folder.
  const bool has_data = h.unCompSize != 0 || (h.genPurposeFlag & kFlagDataDescriptor) != 0;
  c.externalAttr = has_data ? kAttrArchive : kAttrDirectory;
  c.relOffsetLH = static_cast<std::uint32_t>(position);
  return c;
}

}  // namespace

void TKZDirManager::Recover(bool zip_end_record_found) {
  FEndRecordFound = zip_end_record_found;
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
  DescriptorFinder descriptors(stream);
  const auto next_header = [&](std::int64_t from) -> std::int64_t {
    const std::int64_t hit = scanner.Next(from);
    return hit >= 0 && size - hit >= static_cast<std::int64_t>(TKZLocalFileHeader::kSize) ? hit : -1;
  };
  std::int64_t p = next_header(0);
  if (p < 0) throw EKZException(kNative::InvalidArchive, FArc->Name);
  for (; p >= 0; p = next_header(p + 4)) {
    const auto header = TKZLocalFileHeader::Parse(stream.ReadAt(p, TKZLocalFileHeader::kSize));
    // Plausibility: the data must fit the stream and the extra field stay small.
    if (!header || header->compSize >= size || header->extraLength > kRecoveryMaxExtra) continue;
    const std::int32_t index = CDir.Count();
    CDir.SetCount(index + 1);
    TDirItem& item = CDir[index];
    item.CentralDir = CentralFromLocal(*header, p);
    if ((header->genPurposeFlag & kFlagEncrypted) != 0 && header->extractVersion < kVersionAesLimit)
      item.KZEncryptionAlgorithm = caPkzipClassic;
    item.CompressionMethod = header->compMethod;

    const std::int64_t name_at = p + static_cast<std::int64_t>(TKZLocalFileHeader::kSize);
    std::u16string name;
    if (size - name_at >= header->nameLength) {
      const bool oem = NeedsOemStep(FArc->Options().OEMFileNames(), header->genPurposeFlag, FEndRecordFound);
      name = DecodeRecoveredName(stream.ReadAt(name_at, header->nameLength), header->genPurposeFlag, oem);
    }
    CDir.SetItemName(index, name);
    const std::string extra = stream.ReadAt(name_at + header->nameLength, header->extraLength);
    if (auto unicode_name = ParseExtraFields(extra, CDir[index])) CDir.SetItemName(index, *unicode_name);
    // Offsets beyond 32 bits live in the Zip64 information.
    if (p >= static_cast<std::int64_t>(kZip64Marker32)) {
      CDir[index].CentralDir.relOffsetLH = kZip64Marker32;
      CDir[index].Zip64ExtInfo.relOffsetLH = static_cast<std::uint64_t>(p);
      CDir[index].bHugeFile = true;
    }
    if ((header->genPurposeFlag & kFlagDataDescriptor) != 0) {
      if (auto d = descriptors.At(p)) {
        TDirItem& described = CDir[index];
        described.CentralDir.crc32 = d->crc32;
        described.CentralDir.compSize = d->compSize;
        described.CentralDir.unCompSize = d->unCompSize;
      }
    }
  }
}

}  // namespace kv::archive
