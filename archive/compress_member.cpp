// The archive object's CompressStream: one member's data through the block compressor, with
// the progress events per block and the entry's CRC and sizes set afterwards.
#include <optional>

#include "archive/base_archiver.h"
#include "archive/commit_state.h"
#include "archive/compress.h"
#include "archive/errors.h"

namespace kv::archive {
namespace {

constexpr std::uint64_t kMax32 = 0xFFFFFFFF;

// A member read and deflated ahead: its one block goes out as the block compressor would
// write it, after the same progress call.
CompressOutcome WriteReadyBlock(const DeflatedBlock& block, const CompressIo& io) {
  CompressOutcome outcome;
  if (io.before_block && !io.before_block(0)) return outcome;
  outcome.bytes_read = block.input_size;
  if (!io.write(block.data.data(), block.data.size())) return outcome;
  outcome.bytes_written = block.data.size();
  outcome.crc32 = block.crc32;
  outcome.complete = true;
  return outcome;
}

}  // namespace

bool TKZBaseArchiver::CompressStream(TKZStream& source, TKZStream& archive, TDirItem& entry) {
  const std::int64_t start = entry.Stream ? entry.Position : 0;
  source.Seek(start);
  const auto size = static_cast<std::uint64_t>(source.Size() - start);
  FProgressMax = static_cast<std::int64_t>(size);

  CompressIo io;
  io.read = [&](char* buffer, std::size_t n) { return source.Read(buffer, n); };
  io.write = [&](const char* data, std::size_t n) { return WriteBufferToStream(archive, data, n); };
  io.before_block = [&](std::uint64_t done) {
    FProgress = static_cast<std::int64_t>(done);
    if (!FProgressEnabled) return true;
    DoFileProgress(entry.SrcFileName, entry.Operation, ppProcess, 100.0 * static_cast<double>(done) / size);
    if (FProgressCancel) return false;
    const double overall = FProcessedFilesTotalSize > 0
                               ? 100.0 * static_cast<double>(FProcessedFilesSize + static_cast<std::int64_t>(done)) /
                                     static_cast<double>(FProcessedFilesTotalSize)
                               : 50.0;
    DoOverallProgress(entry.Operation, ppProcess, overall);
    return !FProgressCancel;
  };
  const bool deflate = entry.CompressionMethod != kMethodStored;
  CompressWorkers* workers = FCommit ? FCommit->workers.get() : nullptr;
  std::optional<DeflatedBlock> ready;
  if (deflate && !entry.Stream && FCommit && FCommit->ahead)
    ready = FCommit->ahead->Take(entry.SrcFileName, entry.CompressionMode, size);
  const CompressOutcome outcome = ready ? WriteReadyBlock(*ready, io)
                                        : kv::archive::CompressStream(size, entry.CompressionMode, deflate, io, workers);
  FProcessedFilesSize += static_cast<std::int64_t>(size);

  if (!outcome.complete) {
    if (FProgressCancel) return false;
    throw EKZException(kNative::InvalidCompressedSize,
                       {static_cast<std::int64_t>(size), static_cast<std::int64_t>(outcome.bytes_read)},
                       Name);
  }
  const bool always64 = FZip64Mode == zmAlways;
  if (outcome.bytes_written >= kMax32 || always64) {
    entry.bHugeFile = true;
    entry.CentralDir.compSize = static_cast<std::uint32_t>(kMax32);
    entry.Zip64ExtInfo.compSize = outcome.bytes_written;
  } else {
    entry.CentralDir.compSize = static_cast<std::uint32_t>(outcome.bytes_written);
  }
  if (size >= kMax32 || always64) {
    entry.bHugeFile = true;
    entry.CentralDir.unCompSize = static_cast<std::uint32_t>(kMax32);
    entry.Zip64ExtInfo.uncompSize = size;
  } else {
    entry.CentralDir.unCompSize = static_cast<std::uint32_t>(size);
  }
  entry.CentralDir.crc32 = outcome.crc32;
  if (entry.bHugeFile && FZip64Mode == zmDisabled)
    throw EKZException(kNative::Zip64NotEnabledAfterCompressing, {entry.SrcFileName}, Name);
  if (size == 0) {
    entry.CompressionMethod = kMethodStored;
    entry.CentralDir.compMethod = kMethodStored;
  }
  return true;
}

}  // namespace kv::archive
