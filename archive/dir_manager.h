#pragma once
// TKZDirManager: the directory of one open archive. It owns the current directory (CDir),
// the copy taken when an update begins (RBCDir), the end records and the archive comment,
// and knows how many bytes of stub stand in front of the archive (StubSize). It does not own
// the archive stream.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "archive/dir_array.h"
#include "archive/records.h"

namespace kv::archive {

class DataDescriptorSearch;
class TKZBaseArchiver;
class TKZStream;

class TKZDirManager {
 public:
  // Window read from the end of the stream when searching the end record: the 22-byte
  // record plus the largest comment.
  static constexpr std::int64_t kEndSearchWindow = 65600;
  static constexpr std::size_t kStubSearchWindow = 10000;
  static constexpr std::size_t kRecoveryWindow = 65535;
  static constexpr std::uint16_t kRecoveryMaxExtra = 260;

  // With create set, marks the archive object's volume as the first and writes the stub
  // when SFXStub is set (WriteSFXStub).
  TKZDirManager(TKZStream& stream, TKZBaseArchiver& arc, bool create);
  TKZDirManager(const TKZDirManager&) = delete;
  TKZDirManager& operator=(const TKZDirManager&) = delete;

  // --- Loading (dir_manager_load.cpp) ---
  // Loads the directory of an existing archive; rebuilds it from local headers when the end
  // record is missing or the directory cannot be read and OpenCorruptedArchives is on.
  void LoadDir();
  // Searches the end record; true when found, or always while OpenCorruptedArchives is on.
  bool HasCentralDirEnd();
  // The last valid end record of the stream into `record` and its position (-1 when none);
  // also loads ArchiveComment.
  bool FindCentralDirEnd(TKZZipCentralDirEnd& record, std::int64_t& position, std::uint32_t signature);
  bool IsValidCentralDirEnd(std::int64_t candidate);
  void DetectStubSize(std::int64_t end_position);
  bool OffsetsIncludeStub() const;
  void ApplyStubOffset();
  void CheckCompressedSizes() const;
  // Where the archive part of the stream ends: where the certificate table of a signed PE file
  // begins (named by its security directory, behind the headers and ending with the stream),
  // else the stream's end. Signing appends that table after the end record, and a
  // long chain makes it larger than the end record search window. (sfx_stub.cpp)
  std::int64_t ArchiveEnd() const;
  bool IsSFXArchive() const;
  bool IsEncrypted() const;

  // --- Recovery (recovery.cpp) ---
  // Rebuilds CDir from the local headers of the stream (InvalidArchive when there is none).
  void RebuildFromLocalHeaders();

  // --- Member bounds (member_bounds.cpp) ---
  // Raises OverlappingMember when the local header and data of item `index` (a file) are
  // not its own: an earlier record names the same local header, or another member's header
  // lies inside this one's header or data. (The first record of a header keeps it, and a
  // member whose header is reached is not refused for it: once the others are, no byte is
  // read for two members.) Raises LocalNameMismatch when the
  // local header carries another name than the central record (not after a recovery, whose
  // names come from the local headers). A member whose header cannot be read passes, for
  // the reader to report.
  void CheckMemberBounds(std::int32_t index, TKZStream& archive);
  // Drops the sorted header positions; called wherever the directory is read or written.
  void ForgetMemberStarts() { FMemberStartsKnown = false; }

  // --- Saving (implemented with the directory writer) ---
  // Writes the directory: at the end of the stream when `recreate_cdir_end`, else over the
  // old directory. A given `stream` becomes the manager's stream first.
  void SaveDir(bool recreate_cdir_end, TKZStream* stream);
  // Copies the SFXStub file into the emptied stream and sets StubSize.
  void WriteSFXStub();

  void ResetCentralDir();

  TKZStream& CompressedStream() const { return *FCompressedStream; }
  void SetCompressedStream(TKZStream& stream) { FCompressedStream = &stream; }
  TKZBaseArchiver& Archiver() const { return *FArc; }
  bool IsCustomStream() const { return FIsCustomStream; }
  bool IsZip64() const { return FZip64; }

  TKZDirArray RBCDir;
  TKZDirArray CDir;
  std::string ArchiveComment;
  TKZZip64CentralDirEndLocator Zip64CentralDirEndLocator;
  TKZZip64CentralDirEnd Zip64CentralDirEnd;
  TKZZipCentralDirEnd CentralDirEnd;
  std::int64_t StubSize = 0;
  bool Aborted = false;
  std::int64_t CentralDirOffset = 0;
  // Volume numbers named by the end records (0 for a single file).
  std::int64_t FirstVolume = 0;
  std::int64_t LastVolume = 0;

 private:
  bool ReadZip64Locator(std::int64_t& end_position);
  void ReadZip64CentralDirEnd(std::int64_t& end_position);
  void ReadEntries(std::int64_t directory_start, std::int64_t directory_end, std::uint64_t count);
  void Recover(bool zip_end_record_found);
  // Adds the item of the local header at `position` when it is plausible; returns where the
  // member ends (after its data or its descriptor), or -1 when no item was added.
  std::int64_t RecoverMember(std::int64_t position, DataDescriptorSearch& descriptors);
  std::int64_t FindSignature(std::int64_t start, std::uint32_t signature) const;
  bool IsLocalHeaderOf(std::int64_t position) const;
  std::int64_t FindNextLocalHeader(std::int64_t from) const;
  bool OemStepOnRead(std::uint16_t flags) const;

  TKZStream* FCompressedStream;
  bool FCreate;
  bool FIsCustomStream;
  TKZBaseArchiver* FArc;
  bool FZip64 = false;
  // The end record search found a ZIP end record (decides the OEM step of the recovery).
  bool FEndRecordFound = false;
  // The directory was rebuilt from the local headers.
  bool FRecovered = false;
  // Local header positions of the file items with their indexes, sorted; built on the first
  // bounds check.
  std::vector<std::pair<std::uint64_t, std::int32_t>> FMemberStarts;
  bool FMemberStartsKnown = false;
};

}  // namespace kv::archive
