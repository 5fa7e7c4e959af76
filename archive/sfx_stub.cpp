// Self-extracting archives: the stub copied in front of a new archive, MakeSFX, which writes a
// new file made of the stub followed by an existing archive, and where the archive part of a
// signed stub file ends.
#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "archive/base_archiver.h"
#include "archive/byte_cursor.h"
#include "archive/dir_manager.h"
#include "archive/errors.h"
#include "archive/temp_tail.h"
#include "platform/file_system.h"

namespace kv::archive {
namespace {

constexpr std::size_t kAppendBlock = 0x100000;

constexpr std::uint16_t kReadShared = platform::kOpenRead | platform::kShareDenyNone;

// The few PE header fields that locate the certificate table of a signed executable.
constexpr std::uint16_t kDosMagic = 0x5A4D;           // "MZ"
constexpr std::uint32_t kPeSignature = 0x00004550;    // "PE\0\0"
constexpr std::uint16_t kOptionalMagic32 = 0x10B;
constexpr std::uint16_t kOptionalMagic64 = 0x20B;
constexpr std::int64_t kNewHeaderField = 0x3C;        // e_lfanew
constexpr std::size_t kFileHeaderSize = 20;
constexpr std::uint32_t kSecurityDirectory = 4;
// The optional header is at most this large in any file a loader accepts (PE32+ with all 16
// directories is 240 bytes); a larger size field is read only this far.
constexpr std::size_t kOptionalHeaderLimit = 240;

struct OptionalLayout {
  std::uint16_t magic;
  std::size_t rva_count_at;   // NumberOfRvaAndSizes
  std::size_t directories_at;
};
constexpr OptionalLayout kOptionalLayouts[] = {{kOptionalMagic32, 92, 96}, {kOptionalMagic64, 108, 112}};

// The certificate table named by a PE file's security directory as {offset, size}; {0, 0} when
// the stream is no PE file or is not signed.
std::pair<std::int64_t, std::int64_t> CertificateTable(TKZStream& stream) {
  const std::int64_t size = stream.Size();
  const std::string dos = stream.ReadAt(0, 64);
  ByteReader dos_reader(dos);
  if (dos_reader.U16() != kDosMagic) return {0, 0};
  dos_reader.Skip(static_cast<std::size_t>(kNewHeaderField) - 2);
  const std::int64_t pe_at = dos_reader.U32();
  if (!dos_reader.ok() || pe_at < 64 || pe_at > size) return {0, 0};  // the header must follow the DOS one
  const std::string pe = stream.ReadAt(pe_at, 4 + kFileHeaderSize + kOptionalHeaderLimit);
  ByteReader reader(pe);
  if (reader.U32() != kPeSignature) return {0, 0};
  reader.Skip(16);
  const std::size_t optional_size = std::min<std::size_t>(reader.U16(), kOptionalHeaderLimit);
  reader.Skip(2);
  if (!reader.ok()) return {0, 0};
  const std::string_view optional = std::string_view(pe).substr(4 + kFileHeaderSize);
  ByteReader header(optional.substr(0, std::min(optional.size(), optional_size)));
  const std::uint16_t magic = header.U16();
  for (const OptionalLayout& layout : kOptionalLayouts) {
    if (layout.magic != magic) continue;
    header.Skip(layout.rva_count_at - 2);
    if (header.U32() <= kSecurityDirectory) return {0, 0};  // the table has no directory entry
    header.Skip(layout.directories_at - layout.rva_count_at - 4 + 8 * kSecurityDirectory);
    const std::int64_t offset = header.U32();
    const std::int64_t length = header.U32();
    if (!header.ok() || offset == 0 || length == 0) return {0, 0};
    // Signing appends the table as the file's last bytes. One elsewhere (the stub's own, signed
    // before the archive was added) or reaching past the end is no end of the archive.
    if (offset <= pe_at || offset > size || length != size - offset) return {0, 0};
    return {offset, length};
  }
  return {0, 0};
}

// Deletes a file being written unless the writing completed.
class PartialOutput {
 public:
  explicit PartialOutput(std::u16string name) : name_(std::move(name)) {}
  ~PartialOutput() {
    stream.reset();
    if (!done_) platform::DeleteFileAt(name_);
  }
  PartialOutput(const PartialOutput&) = delete;
  PartialOutput& operator=(const PartialOutput&) = delete;
  void Done() { done_ = true; }

  std::unique_ptr<TKZFileStream> stream;

 private:
  std::u16string name_;
  bool done_ = false;
};

}  // namespace

std::int64_t TKZDirManager::ArchiveEnd() const {
  const auto [offset, length] = CertificateTable(*FCompressedStream);
  return length != 0 ? offset : FCompressedStream->Size();
}

void TKZDirManager::WriteSFXStub() {
  TKZBaseArchiver& arc = Archiver();
  TKZFileStream stub(arc.SFXStub(), kReadShared);
  if (arc.SpanningMode() != smNone) {
    const std::int64_t limit = arc.SpanningOptions().VolumeSizeOf(true);
    if (limit > 0 && stub.Size() > limit) throw EKZException(kNative::StubTooLargeForVolume, arc.Name);
  }
  TKZStream& out = CompressedStream();
  out.SetSize(0);
  out.Seek(0);
  const std::int64_t size = stub.Size();
  if (CopyStreamBytes(stub, out, size) != size) throw EKZException(kNative::WriteToStreamFailed, arc.Name);
  StubSize = size;
}

bool TKZBaseArchiver::FastFileAppend(TKZStream& out_file_stream, TKZStream& in_file_stream,
                                     const std::u16string& file_name) {
  out_file_stream.Seek(out_file_stream.Size());
  in_file_stream.Seek(0);
  FProgressMax = in_file_stream.Size();
  FProgress = 0;
  if (FProgressEnabled) {
    DoFileProgress(file_name, poMakeSFX, ppStart, 0.0);
    DoOverallProgress(poMakeSFX, ppStart, 0.0);
  }
  std::vector<char> buffer(static_cast<std::size_t>(std::min<std::int64_t>(FProgressMax, kAppendBlock)));
  while (FProgress < FProgressMax) {
    if (FProgressEnabled) {
      const double share = 100.0 * static_cast<double>(FProgress) / static_cast<double>(FProgressMax);
      DoFileProgress(file_name, poMakeSFX, ppProcess, share);
      if (!FProgressCancel) DoOverallProgress(poMakeSFX, ppProcess, share);
      if (FProgressCancel) return true;
    }
    const auto n = static_cast<std::size_t>(std::min<std::int64_t>(kAppendBlock, FProgressMax - FProgress));
    if (in_file_stream.Read(buffer.data(), n) != n) return false;
    if (out_file_stream.Write(buffer.data(), n) != n) return false;
    FProgress += static_cast<std::int64_t>(n);
  }
  if (FProgressEnabled) {
    DoFileProgress(file_name, poMakeSFX, ppEnd, 100.0);
    DoOverallProgress(poMakeSFX, ppEnd, 100.0);
  }
  return true;
}

void TKZBaseArchiver::MakeSFX(const std::u16string& sfx_file_name) {
  if (FSFXStub.empty()) throw EKZException(kNative::SfxStubNotSpecified, Name);
  if (!platform::FileExists(FSFXStub)) throw EKZException(kNative::SfxStubFileNotFound, {FSFXStub}, Name);
  if (FSpanningMode != smNone) throw EKZException(kNative::SfxNotForSpannedArchives, Name);
  CommitUpdate();

  TKZFileStream stub(FSFXStub, kReadShared);
  // The new file is removed again unless it is completed: no half-written output stays.
  PartialOutput output(sfx_file_name);
  output.stream = std::make_unique<TKZFileStream>(sfx_file_name, platform::kOpenCreate);

  std::unique_ptr<TKZFileStream> own_source;
  std::unique_ptr<TKZDirManager> own_manager;
  TKZStream* source = FCompressedStream;
  TKZDirManager* manager = FDMHandle.get();
  if (!FActive || !source || !manager) {
    own_source = std::make_unique<TKZFileStream>(FFileName, kReadShared);
    own_manager = std::make_unique<TKZDirManager>(*own_source, *this, false);
    own_manager->LoadDir();
    source = own_source.get();
    manager = own_manager.get();
  }
  if (manager->CDir.Count() > 0 && manager->CDir[0].LocalHeaderOffset() != 0)
    throw EKZException(kNative::ArchiveAlreadyHasStub, Name);

  const std::int64_t stub_size = stub.Size();
  if (CopyStreamBytes(stub, *output.stream, stub_size) != stub_size)
    throw EKZException(kNative::MakeSfxFailed, Name);
  if (!FastFileAppend(*output.stream, *source, FFileName)) throw EKZException(kNative::MakeSfxFailed, Name);

  // The copied directory still counts from the archive's old start: load it (the stub is found
  // and the offsets moved behind it) and write it back in place.
  TKZDirManager sfx_manager(*output.stream, *this, false);
  sfx_manager.LoadDir();
  sfx_manager.SaveDir(false, nullptr);
  output.Done();
}

}  // namespace kv::archive
