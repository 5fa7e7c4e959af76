// Writing the central directory, the Zip64 end records when needed, the end record and the
// archive comment. Offsets count from the first byte of the stream, a stub included.
#include <algorithm>
#include <string>

#include "archive/base_archiver.h"
#include "archive/dir_manager.h"
#include "archive/errors.h"
#include "archive/extra_fields.h"
#include "archive/name_encoding.h"
#include "archive/stream.h"

namespace kv::archive {
namespace {
constexpr std::int64_t kMax32 = 0xFFFFFFFF;
constexpr std::int32_t kMaxPlainEntries = 65534;

void WriteOrRaise(TKZStream& stream, const std::string& bytes, const TKZBaseArchiver& arc) {
  if (!stream.WriteBytes(bytes)) throw EKZException(kNative::WriteToStreamFailed, arc.Name);
}

// One central header with its name, extra field and comment; recomputes the item's
// extraLength, nameLength and flag bit 11, which stay in the item.
std::string CentralRecord(TDirItem& item, bool oem_file_names) {
  const std::string extra = ComposeCentralExtra(item);
  const TKZArchiveName name = NameToArchiveBytes(item.Name, oem_file_names);
  item.CentralDir.extraLength = static_cast<std::uint16_t>(extra.size());
  item.CentralDir.nameLength = static_cast<std::uint16_t>(name.bytes.size());
  item.CentralDir.genPurposeFlag = WithUtf8Flag(item.CentralDir.genPurposeFlag, name.utf8);
  std::string record = item.CentralDir.ToBytes();
  record += name.bytes;
  record += extra;
  record.append(item.Comment, 0, item.CentralDir.commentLength);
  return record;
}

}  // namespace

void TKZDirManager::SaveDir(bool recreate_cdir_end, TKZStream* stream) {
  if (stream) SetCompressedStream(*stream);
  ForgetMemberStarts();
  TKZStream& out = CompressedStream();
  TKZBaseArchiver& arc = Archiver();
  const std::string comment = ArchiveComment;

  std::int64_t start = out.Size();
  if (!recreate_cdir_end) {
    TKZZipCentralDirEnd found;
    std::int64_t end_position = -1;
    if (FindCentralDirEnd(found, end_position, kCentralDirEndSignature) && end_position >= 0) {
      std::int64_t directory_size = CentralDirEnd.centralDirSize;
      if (CentralDirEnd.centralDirSize == kMax32) directory_size = static_cast<std::int64_t>(Zip64CentralDirEnd.centralDirSize);
      // Zip64 records between the directory and the end record are replaced as well.
      std::int64_t records_end = end_position;
      const std::string locator = out.ReadAt(end_position - TKZZip64CentralDirEndLocator::kSize, 4);
      if (end_position >= 76 && locator == std::string("PK\x06\x07", 4))
        records_end -= TKZZip64CentralDirEndLocator::kSize + TKZZip64CentralDirEnd::kSize;
      start = std::max<std::int64_t>(0, records_end - directory_size);
    }
  }
  ArchiveComment = comment;

  out.SetSize(start);
  out.Seek(start);
  const std::int64_t volume = std::max<std::int32_t>(arc.VolumeNumberInfo().FVolumeNumber, 0);
  CentralDirOffset = start;

  const bool oem = arc.Options().OEMFileNames();
  const std::int32_t count = CDir.Count();
  for (std::int32_t i = 0; i < count; ++i) WriteOrRaise(out, CentralRecord(CDir[i], oem), arc);

  const std::int64_t directory_size = out.Position() - start;
  TKZZipCentralDirEnd end;
  end.diskNumber = volume >= 0xFFFF ? 0xFFFF : static_cast<std::uint16_t>(volume);
  end.startDiskNumber = end.diskNumber;
  end.entriesOnDisk = count > kMaxPlainEntries ? 0xFFFF : static_cast<std::uint16_t>(count);
  end.entriesCentralDir = end.entriesOnDisk;
  end.centralDirSize = static_cast<std::uint32_t>(std::min(directory_size, kMax32));
  end.offsetStartDir = static_cast<std::uint32_t>(std::min(start, kMax32));
  end.commentLength = static_cast<std::uint16_t>(std::min<std::size_t>(ArchiveComment.size(), 0xFFFF));

  if (out.Position() >= kMax32 || count > kMaxPlainEntries) {
    Zip64CentralDirEndLocator = TKZZip64CentralDirEndLocator{};
    Zip64CentralDirEndLocator.offsetStartDirEnd = static_cast<std::uint64_t>(out.Position());
    Zip64CentralDirEnd = TKZZip64CentralDirEnd{};
    Zip64CentralDirEnd.diskNumber = static_cast<std::uint32_t>(volume);
    Zip64CentralDirEnd.startDiskNumber = static_cast<std::uint32_t>(volume);
    Zip64CentralDirEnd.entriesOnDisk = static_cast<std::uint64_t>(count);
    Zip64CentralDirEnd.entriesCentralDir = static_cast<std::uint64_t>(count);
    Zip64CentralDirEnd.centralDirSize = static_cast<std::uint64_t>(directory_size);
    Zip64CentralDirEnd.offsetStartDir = static_cast<std::uint64_t>(start);
    WriteOrRaise(out, Zip64CentralDirEnd.ToBytes(), arc);
    Zip64CentralDirEndLocator.startDiskNumber = static_cast<std::uint32_t>(volume);
    Zip64CentralDirEndLocator.totalNumberOfDisks = static_cast<std::uint32_t>(volume + 1);
    WriteOrRaise(out, Zip64CentralDirEndLocator.ToBytes(), arc);
  }
  CentralDirEnd = end;
  WriteOrRaise(out, end.ToBytes() + ArchiveComment.substr(0, end.commentLength), arc);
}

}  // namespace kv::archive
