// StoreMember: writes one new or replaced member (local header, name, data) at the archive's
// current position and rewrites its local header once the CRC and sizes are known.
#include <memory>

#include "archive/base_archiver.h"
#include "archive/commit_state.h"
#include "archive/errors.h"
#include "archive/extra_fields.h"
#include "archive/name_encoding.h"
#include "platform/errors.h"

namespace kv::archive {
namespace {

constexpr std::uint64_t kMax32 = 0xFFFFFFFF;
constexpr std::size_t kLongPath = 260;
constexpr std::size_t kZip64LocalBlock = 20;

std::string Zip64LocalBlock(std::uint64_t uncompressed, std::uint64_t compressed) {
  std::string block("\x01\x00\x10\x00", 4);
  for (std::uint64_t v : {uncompressed, compressed})
    for (int i = 0; i < 8; ++i) block += static_cast<char>((v >> (8 * i)) & 0xFF);
  return block;
}

std::string ExtraBlockBytes(const TKZExtraFieldDataBlock& block) {
  std::string bytes;
  for (std::uint16_t v : {block.headerID, block.dataSize}) {
    bytes += static_cast<char>(v & 0xFF);
    bytes += static_cast<char>(v >> 8);
  }
  return bytes + block.pData;
}

}  // namespace

bool TKZBaseArchiver::StoreMember(std::int32_t index) {
  UpdateCompressionMethod();
  TDirItem& entry = FDMHandle->CDir[index];
  const bool source_named = entry.Operation == poAdd || entry.Operation == poMove;
  const std::u16string progress_name = source_named ? entry.SrcFileName : entry.Name;
  const std::u16string failure_name = entry.Operation == poUpdate ? entry.Name : entry.SrcFileName;
  DoFileProgress(progress_name, entry.Operation, ppStart, 0.0);
  if (FProgressCancel) return false;

  TKZStream& archive = *FCompressedStream;
  std::unique_ptr<TKZStream> own_source;
  std::int64_t member_start = -1;
  try {
    const bool oem = FOptions.OEMFileNames();
    const TKZArchiveName name = NameToArchiveBytes(entry.Name, oem);
    entry.CentralDir.genPurposeFlag = WithUtf8Flag(entry.CentralDir.genPurposeFlag, name.utf8);
    entry.bHugeFile = false;

    TKZStream* source = nullptr;
    if (entry.Stream) {
      source = entry.Stream.get();
    } else if (!entry.IsFolder()) {
      if (entry.SrcFileName.size() >= kLongPath && entry.SrcFileName.find(u"\\\\?\\") == std::u16string::npos)
        throw EKZException(kNative::FileNameTooLong, {entry.SrcFileName}, Name);
      try {
        own_source = std::make_unique<TKZFileStream>(entry.SrcFileName,
                                                     platform::kOpenRead | ShareModeBits(FOptions.ShareMode()));
      } catch (const platform::PlatformError&) {
        throw EKZException(kNative::CannotOpenSourceFile, {entry.SrcFileName}, Name);
      }
      source = own_source.get();
    }

    const bool always64 = FZip64Mode == zmAlways;
    member_start = archive.Position();
    if (static_cast<std::uint64_t>(member_start) >= kMax32 || always64) {
      entry.bHugeFile = true;
      entry.CentralDir.relOffsetLH = kMax32;
      entry.Zip64ExtInfo.relOffsetLH = static_cast<std::uint64_t>(member_start);
    } else {
      entry.CentralDir.relOffsetLH = static_cast<std::uint32_t>(member_start);
    }
    const std::uint64_t size =
        source ? static_cast<std::uint64_t>(source->Size() - (entry.Stream ? entry.Position : 0)) : 0;
    const bool size64 = size >= kMax32 || always64;
    if (size64) entry.bHugeFile = true;

    std::string unicode_block;
    if (FUnicodeFilenames) {
      TUnicodeExtendedInfo info;
      info.SetName(entry.Name);
      TKZExtraFieldDataBlock block{kUnicodeNameExtraId, 0, info.ToBytes()};
      block.dataSize = static_cast<std::uint16_t>(block.pData.size());
      unicode_block = ExtraBlockBytes(block);
      entry.ExtraFields.push_back(std::move(block));
    }

    const std::uint16_t version =
        entry.bHugeFile ? kVersionZip64 : (oem ? kVersionOemNames : kVersionAnsiNames);
    entry.CentralDir.versionMadeBy = version;
    entry.CentralDir.extractVersion = version;
    TKZLocalFileHeader header;
    header.extractVersion = version;
    header.genPurposeFlag = entry.CentralDir.genPurposeFlag;
    header.compMethod = entry.CentralDir.compMethod;
    header.lastModTime = entry.CentralDir.lastModTime;
    header.lastModDate = entry.CentralDir.lastModDate;
    header.crc32 = entry.IsFolder() ? 0 : entry.CentralDir.crc32;
    header.compSize = always64 ? kMax32 : 0;
    header.unCompSize = size64 ? kMax32 : static_cast<std::uint32_t>(size);
    header.nameLength = static_cast<std::uint16_t>(name.bytes.size());
    header.extraLength = static_cast<std::uint16_t>((size64 ? kZip64LocalBlock : 0) + unicode_block.size());
    if (entry.bHugeFile && FZip64Mode == zmDisabled)
      throw EKZException(kNative::Zip64NotEnabledBeforeWriting, {entry.SrcFileName}, Name);

    // Room for the Zip64 block is left now and filled once the sizes are known.
    const std::string head = header.ToBytes() + name.bytes + std::string(size64 ? kZip64LocalBlock : 0, '\0') +
                             unicode_block;
    if (!WriteBufferToStream(archive, head.data(), head.size())) {
      archive.SetSize(member_start);
      return false;
    }

    if (source) {
      if (CompressStream(*source, archive, entry)) {
        header.crc32 = entry.CentralDir.crc32;
        const std::uint64_t compressed = entry.CompressedSize();
        header.compSize = compressed >= kMax32 || always64 ? kMax32 : static_cast<std::uint32_t>(compressed);
        if (size == 0) header.compMethod = kMethodStored;
        std::string rewrite = header.ToBytes() + name.bytes;
        if (size64) rewrite += Zip64LocalBlock(entry.UncompressedSize(), compressed);
        archive.Seek(member_start);
        if (!WriteBufferToStream(archive, rewrite.data(), rewrite.size())) FProgressCancel = true;
      }
      if (FProgressCancel) {
        own_source.reset();
        archive.SetSize(member_start);  // nothing of this member stays
        return false;
      }
    }
    archive.Seek(archive.Size());
    own_source.reset();
    DoFileProgress(progress_name, entry.Operation, ppEnd, 100.0);
    return true;
  } catch (const EKZException& error) {
    own_source.reset();
    // A member given up or retried leaves no bytes behind: cut back to where it began.
    if (member_start >= 0 && FCompressedStream) {
      archive.SetSize(member_start);
      archive.Seek(member_start);
    }
    if (!FCompressedStream) {
      FCommit->action = fxaAbort;
    } else {
      DoProcessFileFailure(failure_name, FDMHandle->CDir[index].Operation, FCommit->action, error.Message(),
                           error.ErrorCode(), error.NativeError());
    }
    return false;
  }
}

}  // namespace kv::archive
