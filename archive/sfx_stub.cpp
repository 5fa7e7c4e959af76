// Self-extracting archives: the stub copied in front of a new archive, and MakeSFX, which
// writes a new file made of the stub followed by an existing archive.
#include <algorithm>
#include <memory>
#include <vector>

#include "archive/base_archiver.h"
#include "archive/dir_manager.h"
#include "archive/errors.h"
#include "archive/temp_tail.h"
#include "platform/file_system.h"

namespace kv::archive {
namespace {

constexpr std::size_t kAppendBlock = 0x100000;

constexpr std::uint16_t kReadShared = platform::kOpenRead | platform::kShareDenyNone;

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
