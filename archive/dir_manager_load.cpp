// Loading the directory of an existing archive: the end record search, the Zip64 records, the
// central headers, and where the archive begins behind a stub. Every count, length and
// offset taken from the file is checked against the stream before it is used.
#include <algorithm>
#include <limits>
#include <new>

#include "archive/base_archiver.h"
#include "archive/dir_manager.h"
#include "archive/errors.h"
#include "archive/extra_fields.h"
#include "archive/name_encoding.h"
#include "archive/signature_scanner.h"

namespace kv::archive {
namespace {

// A directory that cannot be read as its records claim (raised as "Archive is damaged").
[[noreturn]] void Damaged() { throw EKZException(kNative::DamagedDirectory); }

std::uint64_t SaturatingAdd(std::uint64_t a, std::uint64_t b) {
  return a > std::numeric_limits<std::uint64_t>::max() - b ? std::numeric_limits<std::uint64_t>::max() : a + b;
}

}  // namespace

bool TKZDirManager::FindCentralDirEnd(TKZZipCentralDirEnd& record, std::int64_t& position, std::uint32_t signature) {
  ArchiveComment.clear();
  record = TKZZipCentralDirEnd{};
  record.signature = 0;
  position = -1;
  TKZStream& stream = *FCompressedStream;
  const std::int64_t size = ArchiveEnd();
  const std::int64_t window = std::min(size, kEndSearchWindow);
  const std::int64_t base = size - window;
  const std::string buffer = stream.ReadAt(base, static_cast<std::size_t>(window));
  const char sig[4] = {static_cast<char>(signature & 0xFF), static_cast<char>((signature >> 8) & 0xFF),
                       static_cast<char>((signature >> 16) & 0xFF), static_cast<char>((signature >> 24) & 0xFF)};
  // Backwards from the end: the nearest candidate that passes the tests wins.
  for (std::size_t i = buffer.size(); i-- > 3;) {
    if (buffer[i] != sig[3] || buffer[i - 1] != sig[2] || buffer[i - 2] != sig[1] || buffer[i - 3] != sig[0]) continue;
    const std::int64_t candidate = base + static_cast<std::int64_t>(i) - 3;
    if (!IsValidCentralDirEnd(candidate)) continue;
    const auto parsed = TKZZipCentralDirEnd::Parse(stream.ReadAt(candidate, TKZZipCentralDirEnd::kSize));
    if (!parsed) continue;
    record = *parsed;
    position = candidate;
    if (record.commentLength != 0)
      ArchiveComment = stream.ReadAt(candidate + static_cast<std::int64_t>(TKZZipCentralDirEnd::kSize), record.commentLength);
    return true;
  }
  return false;
}

bool TKZDirManager::IsValidCentralDirEnd(std::int64_t candidate) {
  TKZStream& stream = *FCompressedStream;
  const std::int64_t size = ArchiveEnd();
  const std::int64_t end = candidate + static_cast<std::int64_t>(TKZZipCentralDirEnd::kSize);
  if (candidate < 0 || end > size) return false;  // the record must lie wholly in the archive part
  const auto r = TKZZipCentralDirEnd::Parse(stream.ReadAt(candidate, TKZZipCentralDirEnd::kSize));
  if (!r) return false;
  if (r->startDiskNumber > r->diskNumber || r->entriesOnDisk > r->entriesCentralDir) return false;
  if (r->centralDirSize != kZip64Marker32 && r->centralDirSize >= end) return false;
  const bool offset_unchecked = r->startDiskNumber < r->diskNumber || r->offsetStartDir == kZip64Marker32;
  if (!offset_unchecked && static_cast<std::int64_t>(r->offsetStartDir) >= end - std::int64_t{r->centralDirSize})
    return false;
  return r->commentLength <= size - end;  // the comment must fit; bytes after it are allowed
}

bool TKZDirManager::ReadZip64Locator(std::int64_t& end_position) {
  if (end_position <= static_cast<std::int64_t>(TKZZip64CentralDirEndLocator::kSize)) return false;
  const std::int64_t at = end_position - static_cast<std::int64_t>(TKZZip64CentralDirEndLocator::kSize);
  const auto locator =
      TKZZip64CentralDirEndLocator::Parse(FCompressedStream->ReadAt(at, TKZZip64CentralDirEndLocator::kSize));
  if (!locator || locator->signature != kZip64LocatorSignature) return false;
  Zip64CentralDirEndLocator = *locator;
  end_position = at;
  return true;
}

void TKZDirManager::ReadZip64CentralDirEnd(std::int64_t& end_position) {
  constexpr auto kSize = static_cast<std::int64_t>(TKZZip64CentralDirEnd::kSize);
  if (end_position <= kSize) return;
  const std::uint64_t at = Zip64CentralDirEndLocator.offsetStartDirEnd;
  // The locator's offset must leave room for the record inside the stream.
  const std::int64_t size = FCompressedStream->Size();
  if (at > static_cast<std::uint64_t>(size - kSize))
    throw EKZException(kNative::NoZip64EndRecord, FArc->Name);
  const auto record =
      TKZZip64CentralDirEnd::Parse(FCompressedStream->ReadAt(static_cast<std::int64_t>(at), TKZZip64CentralDirEnd::kSize));
  if (!record || record->signature != kZip64CentralDirEndSignature)
    throw EKZException(kNative::NoZip64EndRecord, FArc->Name);
  Zip64CentralDirEnd = *record;
  end_position -= kSize;
}

bool TKZDirManager::OemStepOnRead(std::uint16_t flags) const {
  return NeedsOemStep(FArc->Options().OEMFileNames(), flags, CentralDirEnd.signature == kCentralDirEndSignature);
}

void TKZDirManager::ReadEntries(std::int64_t directory_start, std::int64_t /*directory_end*/, std::uint64_t count) {
  TKZStream& stream = *FCompressedStream;
  const std::int64_t size = stream.Size();
  // Every entry needs at least its 46-byte header, so the count is bounded by the stream.
  if (directory_start < 0 || directory_start > size) Damaged();
  if (count > static_cast<std::uint64_t>(size - directory_start) / TKZZipCentralDir::kSize) Damaged();
  if (count > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) Damaged();
  CDir.SetCount(0);
  CDir.SetCount(static_cast<std::int32_t>(count));
  stream.Seek(directory_start);
  // An entry named by nothing takes the place of the next entry's name: the directory is
  // damaged from there on.
  bool unnamed_entry = false;
  for (std::int32_t i = 0; i < CDir.Count(); ++i) {
    if (unnamed_entry) throw EKZException(kNative::NameTakenByOtherItem);
    if (i == 0) CentralDirOffset = stream.Position();
    const auto header = TKZZipCentralDir::Parse(stream.ReadBytes(TKZZipCentralDir::kSize));
    if (!header || header->signature != kCentralHeaderSignature) Damaged();
    TDirItem& item = CDir.GetItemPtr(i);
    item.CentralDir = *header;
    if ((header->genPurposeFlag & kFlagEncrypted) != 0 && header->extractVersion < kVersionAesLimit)
      item.KZEncryptionAlgorithm = caPkzipClassic;
    item.CompressionMethod = header->compMethod;
    const std::string name = stream.ReadBytes(header->nameLength);
    if (name.size() != header->nameLength) Damaged();
    CDir.SetLoadedItemName(i, DecodeCentralName(name, header->genPurposeFlag, OemStepOnRead(header->genPurposeFlag)));
    const std::string extra = stream.ReadBytes(header->extraLength);
    if (extra.size() != header->extraLength) Damaged();
    if (auto unicode_name = ParseExtraFields(extra, CDir.GetItemPtr(i))) CDir.SetLoadedItemName(i, *unicode_name);
    unnamed_entry = CDir.GetItemPtr(i).Name.empty();
    // A size or offset marked as living in the Zip64 block must be there, or it would read as 0.
    if (!HasZip64ValuesForMarkers(CDir.GetItemPtr(i))) Damaged();
    CDir.GetItemPtr(i).Comment = stream.ReadBytes(header->commentLength);
    if (CDir.GetItemPtr(i).Comment.size() != header->commentLength) Damaged();
  }
}

void TKZDirManager::LoadDir() {
  ResetCentralDir();
  StubSize = 0;
  FZip64 = false;
  FRecovered = false;
  TKZZipCentralDirEnd end_record;
  std::int64_t end = -1;
  FEndRecordFound = FindCentralDirEnd(end_record, end, kCentralDirEndSignature);
  if (!FEndRecordFound) return Recover(false);
  CentralDirEnd = end_record;
  FZip64 = ReadZip64Locator(end);
  if (FZip64) ReadZip64CentralDirEnd(end);
  if (!FZip64 && CentralDirEnd.entriesCentralDir == kZip64Marker16) return Recover(true);

  FirstVolume = CentralDirEnd.startDiskNumber != kZip64Marker16 ? CentralDirEnd.startDiskNumber
                : FZip64                                         ? Zip64CentralDirEnd.startDiskNumber
                                                                 : 0;
  LastVolume = CentralDirEnd.diskNumber != kZip64Marker16 ? CentralDirEnd.diskNumber
               : FZip64 ? std::int64_t{Zip64CentralDirEndLocator.totalNumberOfDisks} - 1
                        : 0;

  // The directory is found by its distance from the end records, never by its stored offset,
  // so offsets counted from the file start and from the stub's end are read alike.
  const std::uint64_t dir_size = FZip64 ? Zip64CentralDirEnd.centralDirSize : CentralDirEnd.centralDirSize;
  const std::uint64_t count = FZip64 ? (Zip64CentralDirEnd.entriesCentralDir & 0xFFFFFFFFu) : CentralDirEnd.entriesCentralDir;
  const std::int64_t dir_start =
      dir_size > static_cast<std::uint64_t>(end) ? -1 : end - static_cast<std::int64_t>(dir_size);
  try {
    ReadEntries(dir_start, end, count);
  } catch (const std::exception&) {
    if (!FArc->OpenCorruptedArchives()) throw;
    return Recover(true);
  }
  if (!FArc->OpenCorruptedArchives()) CheckCompressedSizes();
  if (LastVolume == 0) DetectStubSize(end);
  if (!OffsetsIncludeStub()) ApplyStubOffset();
}

void TKZDirManager::CheckCompressedSizes() const {
  std::uint64_t total = 0;
  for (std::int32_t i = 0; i < CDir.Count(); ++i) total = SaturatingAdd(total, CDir[i].CompressedSize());
  if (total > static_cast<std::uint64_t>(FCompressedStream->Size()))
    throw EKZException(kNative::DamagedDirectory, FArc->Name);
}

bool TKZDirManager::IsLocalHeaderOf(std::int64_t position) const {
  TKZStream& stream = *FCompressedStream;
  const auto header = TKZLocalFileHeader::Parse(stream.ReadAt(position, TKZLocalFileHeader::kSize));
  if (!header) return false;  // fewer than 30 bytes remain
  const std::int64_t name_at = position + static_cast<std::int64_t>(TKZLocalFileHeader::kSize);
  if (stream.Size() - name_at < header->nameLength) return false;  // the name must arrive whole
  if (header->signature != kLocalHeaderSignature) return false;
  if (position == 0) return true;
  const TKZZipCentralDir& c = CDir[0].CentralDir;
  return header->crc32 == c.crc32 && header->extractVersion == c.extractVersion && header->compMethod == c.compMethod &&
         header->lastModTime == c.lastModTime && header->lastModDate == c.lastModDate &&
         header->compSize == c.compSize && header->unCompSize == c.unCompSize;
}

void TKZDirManager::DetectStubSize(std::int64_t end_position) {
  if (CDir.Count() == 0) {
    StubSize = end_position;  // everything in front of the end records is stub
    return;
  }
  const std::uint64_t first = CDir[0].LocalHeaderOffset();
  const std::int64_t size = FCompressedStream->Size();
  if (first >= static_cast<std::uint64_t>(size)) return;
  SignatureScanner scanner(*FCompressedStream, kLocalHeaderSignature, kStubSearchWindow);
  for (std::int64_t start = static_cast<std::int64_t>(first); start < size; ++start) {
    start = scanner.Next(start);
    if (start < 0) return;  // no matching local header: offsets are used as stored
    if (IsLocalHeaderOf(start)) {
      StubSize = start;
      return;
    }
  }
}

bool TKZDirManager::OffsetsIncludeStub() const {
  for (std::int32_t i = 0; i < CDir.Count(); ++i)
    if (CDir[i].CentralDir.compSize != 0) return CDir[i].LocalHeaderOffset() >= static_cast<std::uint64_t>(StubSize);
  return true;
}

void TKZDirManager::ApplyStubOffset() {
  for (std::int32_t i = 0; i < CDir.Count(); ++i) {
    TDirItem& item = CDir[i];
    if (item.IsFolder()) continue;
    const std::uint64_t moved = item.LocalHeaderOffset() + static_cast<std::uint64_t>(StubSize);
    // An offset that no longer fits 32 bits moves to the Zip64 information.
    if (item.CentralDir.relOffsetLH != kZip64Marker32 && moved >= kZip64Marker32) {
      item.CentralDir.relOffsetLH = kZip64Marker32;
      item.bHugeFile = true;
    }
    item.SetLocalHeaderOffset(moved);
  }
}

}  // namespace kv::archive
