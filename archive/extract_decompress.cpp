// Reading members back: positioning at the local header, the chunked stored and inflate
// loops with their progress events, the size and CRC checks, and the buffered writer.
#include <zlib.h>

#include <algorithm>
#include <vector>

#include "archive/base_archiver.h"
#include "archive/crc32.h"

namespace kv::archive {
namespace {
constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kChunkSize = 1048576;
constexpr std::size_t kStoredPieceSize = 0xFFFF;
// Entries made by this version or later carry no CRC that the reader checks.
constexpr std::uint16_t kNoCrcCheckVersion = 0x4114;

std::uint16_t Le16(const std::string& bytes, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[at]) |
                                    (static_cast<std::uint8_t>(bytes[at + 1]) << 8));
}

// Releases the inflate stream on every way out.
class Inflater {
 public:
  // Raw deflate data, as a member holds it: no zlib header, no Adler-32 to compute.
  Inflater() { ok_ = inflateInit2(&stream_, -MAX_WBITS) == Z_OK; }
  ~Inflater() {
    if (ok_) inflateEnd(&stream_);
  }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;
  bool ok() const { return ok_; }
  z_stream& stream() { return stream_; }

 private:
  z_stream stream_{};
  bool ok_ = false;
};

}  // namespace

void TKZBaseArchiver::ExtractItemToStream(std::int32_t index, TKZStream& stream) {
  TKZDirArray& dir = FDMHandle->CDir;
  if (index < 0 || index >= dir.Count()) throw EKZException(kNative::ExtractItemOutOfRange, Name);
  TDirItem& item = dir[index];
  // A masked local header hides where the data ends and what it must give: nothing to check it by.
  if (item.CentralDir.genPurposeFlag & kFlagMaskedHeaders)
    throw EKZException(kNative::MaskedHeaders, {item.Name}, Name);
  // Encrypted members cannot be read without the password this engine never asks for.
  if (item.CentralDir.genPurposeFlag & 1) throw EKZException(kNative::EncryptedMember, Name);
  FDMHandle->CheckMemberBounds(index, *FCompressedStream);
  const std::uint64_t offset = item.LocalHeaderOffset();
  FCompressedStream->Seek(offset > static_cast<std::uint64_t>(INT64_MAX) ? INT64_MAX
                                                                         : static_cast<std::int64_t>(offset));
  const bool complete = DecompressItem(*FCompressedStream, stream, item);
  if (!complete && !FProgressCancel && !FExtractCorruptedFiles && !FSkipFile)
    throw EKZException(kNative::BadSizeOrChecksum, Name);
}

bool TKZBaseArchiver::DecompressItem(TKZStream& archive, TKZStream& output, TDirItem& entry) {
  const std::string header = archive.ReadBytes(kLocalHeaderSize);
  if (header.size() < kLocalHeaderSize) return false;
  archive.Seek(archive.Position() + Le16(header, 26) + Le16(header, 28));

  const std::uint64_t declared_compressed = entry.CompressedSize();
  const std::uint64_t uncompressed = entry.UncompressedSize();
  // The member ends at the central directory at the latest.
  const std::int64_t start = archive.Position();
  std::uint64_t compressed = declared_compressed;
  if (FSpanningMode == smNone) {
    const std::int64_t room = std::max<std::int64_t>(FDMHandle->CentralDirOffset - start, 0);
    compressed = std::min<std::uint64_t>(compressed, static_cast<std::uint64_t>(room));
  }
  const std::uint64_t expected = uncompressed;
  FProgressMax =
      uncompressed == 0 ? 2 : static_cast<std::int64_t>(std::min<std::uint64_t>(uncompressed, INT64_MAX));
  FSkipFile = false;

  const std::uint16_t method = entry.CompressionMethod;
  if (method == kMethodDeflate64) throw EKZException(kNative::Deflate64Unsupported);
  if (method != kMethodStored && method != kMethodDeflate) return false;

  std::uint32_t crc = kCrc32Initial;
  std::uint64_t produced = 0;
  bool intact = true;  // no inflate error, no write failure, nothing beyond the declared size
  bool ended = false;  // the deflate stream reached its end
  const std::u16string& name = entry.Name;

  // Raises the two ppProcess events; true when the pass was cancelled.
  const auto report = [&](std::uint64_t done) {
    FProgress = static_cast<std::int64_t>(std::min<std::uint64_t>(done, INT64_MAX));
    if (!FProgressEnabled) return false;
    const double fraction = static_cast<double>(FProgress) / static_cast<double>(FProgressMax);
    DoFileProgress(name, poExtract, ppProcess, fraction * 100.0);
    if (FProgressCancel) return true;
    DoOverallProgress(poExtract, ppProcess, (fraction + FProcessedFileNo) / FProcessedFileCount * 100.0);
    return FProgressCancel;
  };
  // Writes what was produced, never past the declared size; false ends the member.
  const auto emit = [&](const std::uint8_t* data, std::size_t count) {
    std::size_t allowed = count;
    if (produced + count > expected) {
      allowed = static_cast<std::size_t>(expected - produced);
      intact = false;
    }
    if (allowed > 0 && !WriteBufferToStream(output, data, allowed)) {
      intact = false;
      return false;
    }
    crc = UpdateCrc32(crc, data, allowed);
    produced += allowed;
    return intact;
  };

  std::vector<std::uint8_t> input(static_cast<std::size_t>(std::min<std::uint64_t>(compressed, kChunkSize)));
  std::uint64_t remaining = compressed;
  std::uint64_t consumed = 0;
  if (method == kMethodStored) {
    while (remaining > 0 && intact && !FProgressCancel) {
      const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(remaining, kChunkSize));
      const std::size_t got = archive.Read(input.data(), chunk);
      remaining = got < chunk ? 0 : remaining - chunk;
      for (std::size_t at = 0; at < got && intact; at += kStoredPieceSize) {
        const std::size_t piece = std::min(kStoredPieceSize, got - at);
        consumed += piece;
        if (report(consumed) || !emit(input.data() + at, piece)) break;
      }
    }
  } else {
    Inflater inflater;
    if (!inflater.ok()) return false;
    z_stream& zs = inflater.stream();
    std::vector<std::uint8_t> out(kChunkSize);
    while (remaining > 0 && intact && !ended && !FProgressCancel) {
      const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(remaining, kChunkSize));
      const std::size_t got = archive.Read(input.data(), chunk);
      remaining = got < chunk ? 0 : remaining - chunk;
      zs.next_in = input.data();
      zs.avail_in = static_cast<uInt>(got);
      for (;;) {
        if (report(produced)) break;
        zs.next_out = out.data();
        zs.avail_out = static_cast<uInt>(out.size());
        const int result = inflate(&zs, Z_NO_FLUSH);
        if (result < 0 || result == Z_NEED_DICT) {
          if (result != Z_BUF_ERROR || zs.avail_in != 0) intact = false;
          break;
        }
        if (!emit(out.data(), out.size() - zs.avail_out)) break;
        if (result == Z_STREAM_END) {
          ended = true;
          break;
        }
        if (zs.avail_out != 0 && zs.avail_in == 0) break;
      }
    }
  }
  if (!intact || FProgressCancel) return false;
  if (produced != expected) return false;
  if (entry.CentralDir.extractVersion >= kNoCrcCheckVersion) return true;
  return ~crc == entry.CentralDir.crc32;
}

bool TKZBaseArchiver::WriteBufferToStream(TKZStream& stream, const void* buffer, std::size_t count) {
  for (;;) {
    const std::int64_t position = stream.Position();
    if (stream.Write(buffer, count) == count) return true;
    bool cancel = false;
    DoDiskFull(-1, FFileName, cancel);
    if (cancel) {
      FProgressCancel = true;
      return false;
    }
    stream.Seek(position);
  }
}

}  // namespace kv::archive
