#pragma once
// TKZBaseArchiver: the archive engine's front. A window owns one; it is configured by
// properties, opens one archive file at a time, groups changes in update brackets and
// closes the archive again. Every failure is raised as EKZException.
//
// Implementation files: base_archiver.cpp (construction, properties, checks),
// open_close.cpp (OpenArchive, CloseArchive), update_bracket.cpp (BeginUpdate, EndUpdate,
// CancelUpdate); the add, commit, stub, extract, search and event operations (the virtual
// dispatchers included) have their own files.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "archive/archive_item.h"
#include "archive/dir_manager.h"
#include "archive/errors.h"
#include "archive/event_types.h"
#include "archive/options.h"
#include "archive/prompter.h"
#include "archive/stream.h"

namespace kv::archive {

struct TKZCommitState;

using TStrings = std::vector<std::u16string>;

class TKZBaseArchiver {
 public:
  // The engine's version text (CurrentVersion).
  static const std::u16string kCurrentVersion;

  TKZBaseArchiver();
  virtual ~TKZBaseArchiver();  // closes the archive first
  TKZBaseArchiver(const TKZBaseArchiver&) = delete;
  TKZBaseArchiver& operator=(const TKZBaseArchiver&) = delete;

  // The component name shown in front of error messages.
  std::u16string Name;
  // Who answers the engine's own prompts (overwrite, failure); without one the system's
  // question box asks (platform/message_box.h).
  Prompter* Prompts = nullptr;

  // --- Open and close (open_close.cpp) ---
  void OpenArchive();
  void OpenArchive(std::uint16_t mode);
  // A caller-owned stream; with `create` it is emptied and an empty directory written.
  void OpenArchive(TKZStream& stream, bool create);
  // Commits a pending update, finishes a new empty archive, releases stream and directory
  // manager. Never raises.
  void CloseArchive() noexcept;

  // --- Update bracket (update_bracket.cpp) ---
  void BeginUpdate();
  void EndUpdate();
  // Ends the bracket without committing and puts CDir back as it was at BeginUpdate.
  void CancelUpdate();
  bool InUpdate() const { return FUpdateCount > 0; }

  // --- Adding (Part of the add path) ---
  void AddFiles();
  void AddFiles(const std::u16string& file_mask, std::uint32_t search_attr, const std::u16string& exclusion_mask);

  // --- Committing ---
  // Writes the pending update when a bracket is open (sets the counter to 0 first).
  void CommitUpdate();

  // --- Self-extracting stub ---
  void MakeSFX(const std::u16string& sfx_file_name);

  // --- Extracting ---
  void ExtractFiles();
  void ExtractFiles(const std::u16string& file_mask, std::uint32_t search_attr, const std::u16string& exclusion_mask);

  // --- Finding entries ---
  bool FindFirst(const std::u16string& file_mask, TKZArchiveItem& f, std::uint32_t search_attr,
                 const std::u16string& exclusion_mask);
  bool FindFirst(TKZArchiveItem& f);
  bool FindNext(TKZArchiveItem& f);

  // --- State (base_archiver.cpp) ---
  bool Active() const { return FActive; }
  void SetActive(bool value);
  bool Exists() const;           // the file FileName exists
  std::int64_t Size();           // size of the archive stream; ArchiveNotOpen when closed
  std::int32_t FileCount();      // entries that are not folders; ArchiveNotOpen when closed
  std::string Comment() const;   // archive comment; empty when closed
  void SetComment(const std::string& comment);

  void CheckActive() const;       // kNative::ArchiveNotOpen
  void CheckNotInUpdate() const;  // kNative::UpdateNotEnded
  void CheckCanModify() const;    // kNative::SpannedArchiveNotModifiable

  // --- Published properties ---
  bool ExtractCorruptedFiles() const { return FExtractCorruptedFiles; }
  void SetExtractCorruptedFiles(bool v) { FExtractCorruptedFiles = v; }
  TKZCompressionLevel CompressionLevel() const { return FCompressionLevel; }
  void SetCompressionLevel(TKZCompressionLevel level);
  std::uint8_t CompressionMode() const { return FCompressionMode; }
  void SetCompressionMode(int mode);  // kNative::InvalidCompressionMode above 9
  std::u16string CurrentVersion() const { return kCurrentVersion; }
  void SetCurrentVersion(const std::u16string&) {}
  const std::string& Password() const { return FPassword; }
  const std::u16string& FileName() const { return FFileName; }
  void SetFileName(const std::u16string& v) { FFileName = v; }
  const std::u16string& BaseDir() const { return FBaseDir; }
  void SetBaseDir(const std::u16string& v) { FBaseDir = v; }
  const std::u16string& TempDir() const { return FTempDir; }
  void SetTempDir(const std::u16string& v) { FTempDir = v; }
  TKZSpanningMode SpanningMode() const { return FSpanningMode; }
  // Raises a plain std::logic_error "Cannot set spanning mode on open archive" while open.
  void SetSpanningMode(TKZSpanningMode mode);
  TKZSpanningOptions& SpanningOptions() { return FSpanningOptions; }
  const std::u16string& SFXStub() const { return FSFXStub; }
  void SetSFXStub(const std::u16string& v) { FSFXStub = v; }
  TKZOptions& Options() { return FOptions; }
  const TKZOptions& Options() const { return FOptions; }
  TStrings& FileMasks() { return FFileMasks; }
  TStrings& ExclusionMasks() { return FExclusionMasks; }
  TStrings& NoCompressionMasks() { return FNoCompressionMasks; }
  bool InMemory() const { return FInMemory; }
  void SetInMemory(bool value);
  // Threads that deflate while a commit writes; 0 (the default) is one per processor, at most
  // eight, 1 deflates on the committing thread alone. The archive is the same either way.
  std::size_t CompressionThreads() const { return FCompressionThreads; }
  void SetCompressionThreads(std::size_t count) { FCompressionThreads = count; }

  // --- Public, not published ---
  bool OpenCorruptedArchives() const { return FOpenCorruptedArchives; }
  void SetOpenCorruptedArchives(bool v) { FOpenCorruptedArchives = v; }
  bool UnicodeFilenames() const { return FUnicodeFilenames; }
  void SetUnicodeFilenames(bool v) { FUnicodeFilenames = v; }
  TZip64Mode Zip64Mode() const { return FZip64Mode; }
  void SetZip64Mode(TZip64Mode v) { FZip64Mode = v; }
  TKZCryptoAlgorithm EncryptionMethod() const { return FKZCryptoAlgorithm; }
  void SetEncryptionMethod(TKZCryptoAlgorithm v) { FKZCryptoAlgorithm = v; }
  std::uint16_t CompressionMethod() const { return FCompressionMethod; }
  std::uint16_t FileOpenMode() const { return FFileOpenMode; }
  bool IsZipFormat() const { return isZIPFormat; }
  const std::u16string& VolumeFileName() const { return VolumeFileNameValue; }
  TKZVolumeNumberInfo& VolumeNumberInfo() { return FVolumeNumberInfo; }
  // The directory manager of the open archive (null when closed).
  TKZDirManager* DMHandle() const { return FDMHandle.get(); }
  // The open archive's stream (null when closed).
  TKZStream* CompressedStream() const { return FCompressedStream; }
  bool Updated() const { return FUpdated; }
  std::int32_t UpdateCount() const { return FUpdateCount; }

  // --- Events: the handler fields, public as properties. The engine never calls a handler
  // directly; it always goes through the dispatcher below. ---
  TKZFileProgressEvent OnFileProgress;
  TKZProgressEvent OnOverallProgress;
  TKZCopyTempFileProgressEvent OnCopyTempFileProgress;
  TKZConfirmOverwriteEvent OnConfirmOverwrite;
  TKZConfirmProcessFileEvent OnConfirmProcessFile;
  TNotifyEvent AfterOpen;
  TKZOnPasswordEvent OnPassword;
  TKZProcessFileFailureEvent OnProcessFileFailure;
  TKZOnRequestFirstVolumeEvent OnRequestFirstVolume;
  TKZOnRequestLastVolumeEvent OnRequestLastVolume;
  TKZOnRequestMiddleVolumeEvent OnRequestMiddleVolume;
  TKZOnRequestBlankVolumeEvent OnRequestBlankVolume;
  TKZOnDiskFullEvent OnDiskFull;
  TKZProcessVolumeFailureEvent OnProcessVolumeFailure;
  TKZOnStoreFileEvent OnStoreFile;
  TKZOnExtractFileEvent OnExtractFile;

  // --- Virtual operations, in slot order. The fifteen dispatchers supply the answer when no
  // handler is assigned (the engine's own prompts go through Prompts). ---
  virtual void SetPassword(const std::string& password);
  // Method 8 (deflate) or 0 (stored) for new members; TKolZip follows CompressionMode.
  virtual void UpdateCompressionMethod();
  virtual void DoOverallProgress(TKZProcessOperation operation, TKZProgressPhase phase, double progress);
  virtual void DoFileProgress(const std::u16string& file_name, TKZProcessOperation operation,
                              TKZProgressPhase phase, double progress);
  virtual void DoCopyTempFileProgress(TKZProgressPhase phase, double progress, bool& cancel);
  virtual void DoConfirmOverwrite(const std::u16string& source_file_name, std::u16string& dest_file_name,
                                  bool& confirm);
  virtual void DoConfirmProcessFile(const std::u16string& file_name, TKZProcessOperation operation, bool& confirm);
  virtual void DoPassword(const std::u16string& file_name, std::string& new_password, bool& skip_file);
  virtual void DoProcessFileFailure(const std::u16string& file_name, TKZProcessOperation operation,
                                    TKZAction& action, const std::u16string& error_message,
                                    std::int32_t error_code, std::int32_t native_error);
  virtual void DoRequestBlankVolume(std::int32_t volume_number, std::u16string& volume_file_name, bool& cancel);
  virtual void DoRequestFirstVolume(std::u16string& volume_file_name, bool& cancel);
  virtual void DoRequestLastVolume(std::u16string& volume_file_name, bool& cancel);
  virtual void DoRequestMiddleVolume(std::int32_t volume_number, std::u16string& volume_file_name, bool& cancel);
  virtual void DoDiskFull(std::int32_t volume_number, const std::u16string& volume_file_name, bool& cancel);
  virtual void DoProcessVolumeFailure(TKZProcessOperation operation, std::int32_t volume_number,
                                      const std::u16string& volume_file_name, bool& cancel);
  virtual void DoStoreFile(std::u16string& file_name, std::int32_t& file_attr,
                           const std::u16string& original_file_name, std::string& comment);
  virtual void DoExtractFile(std::u16string& file_name, std::uint32_t& file_attr, const std::string& comment);

  // --- Progress state (read by the event handlers' owners and the tests) ---
  std::int32_t FProcessedFileNo = 0;
  std::int32_t FProcessedFileCount = 0;
  std::int64_t FProcessedFilesTotalSize = 0;
  std::int64_t FProcessedFilesSize = 0;
  bool FProgressCancel = false;
  bool FProgressEnabled = false;
  bool FSkipFile = false;
  std::int64_t FProgress = 0;
  std::int64_t FProgressMax = 0;
  bool FNoProgress = false;
  bool FSuppressPasswordEvent = false;

 protected:
  // --- Open steps (open_close.cpp) ---
  void OpenNew();
  void OpenExisting();
  void OpenSelfExtracting();
  void OpenArchiveStream();
  void DetectVolumeMode(bool end_record_found);
  void ReleaseArchive() noexcept;
  static bool IsExeName(const std::u16string& file_name);
  static bool IsRemovable(const std::u16string& file_name);
  std::uint16_t ChooseOpenMode() const;

  // --- Add path (selecting files) ---
  void EnumerateFiles(const TStrings& masks, std::uint32_t attr, const TStrings& exclusions, bool recurse,
                      TKZProcessOperation operation);
  void ScanFolder(const std::u16string& dir, const std::u16string& base, std::u16string mask, bool recurse,
                  std::uint32_t attr, const TStrings& exclusions, TKZProcessOperation operation);
  std::int32_t AddDirItem(const std::u16string& full_name, const std::u16string& base,
                          TKZProcessOperation operation);
  void InitDirItem(std::int32_t index, const std::u16string& full_name, TKZProcessOperation operation);

  // --- Commit ---
  // Hands the small files after `index` to the commit's workers (commit_ahead.cpp).
  void CompressFilesAhead(std::int32_t index);
  bool StoreMember(std::int32_t index);
  void CopyMember(std::int32_t index);
  bool CompressStream(TKZStream& source, TKZStream& archive, TDirItem& entry);
  void RollbackUpdate();
  std::u16string MakeTempFileName() const;
  // Whether a commit builds the new archive in a new file (an archive file of ours) rather
  // than rewriting the stream in place (a caller's stream, memory, a spanned archive).
  bool BuildsInNewFile() const;
  // Flushes the commit's new archive, moves it over the archive file and opens that again.
  void InstallUpdateFile();

  // --- Stub ---
  bool FastFileAppend(TKZStream& out_file_stream, TKZStream& in_file_stream, const std::u16string& file_name);

  // --- Extraction ---
  void TagFilesByMask(const std::u16string& file_mask, std::uint32_t search_attr,
                      const std::u16string& exclusion_mask);
  void ProcessTaggedFiles(TKZProcessOperation operation, std::int32_t index);
  void ExtractItemToFile(std::int32_t index, const std::u16string& file_name, const std::u16string& dest_dir);
  void ExtractItemToStream(std::int32_t index, TKZStream& stream);
  bool DecompressItem(TKZStream& archive, TKZStream& output, TDirItem& entry);
  bool WriteBufferToStream(TKZStream& stream, const void* buffer, std::size_t count);

  // --- Search ---
  bool InternalFind(TKZArchiveItem& f);
  bool ItemMatches(std::int32_t index, TKZArchiveItem& f);
  bool NameMatchesMask(const std::u16string& name, const std::u16string& mask) const;
  static bool AttrMatches(std::uint32_t entry_attr, std::uint32_t search_attr);

  // --- Fields, in declaration order ---
  std::u16string FCurrentDir;
  std::int32_t FUpdateCount = 0;
  bool FActive = false;
  bool isZIPFormat = true;
  bool IsCustomStream = false;
  std::u16string FFileName;
  std::u16string VolumeFileNameValue;
  TKZVolumeNumberInfo FVolumeNumberInfo;
  std::uint16_t FFileOpenMode = 0;
  std::u16string FTempDir;
  std::u16string FBaseDir;
  std::u16string FSFXStub;
  TKZOptions FOptions;
  TStrings FFileMasks;
  TStrings FExclusionMasks;
  TStrings FNoCompressionMasks;
  bool FInMemory = false;
  TKZSpanningMode FSpanningMode = smNone;
  TKZSpanningOptions FSpanningOptions;
  bool FExtractCorruptedFiles = false;
  bool FOpenCorruptedArchives = true;
  bool FUnicodeFilenames = false;
  bool FUpdated = false;
  std::unique_ptr<TKZDirManager> FDMHandle;
  std::uint16_t FCompressionMethod = kMethodDeflate;
  TKZCompressionAlgorithm FCompressionAlgorithm = caZLIB;
  TKZCryptoAlgorithm FKZCryptoAlgorithm = caPkzipClassic;
  std::uint8_t FCompressionMode = 1;
  TKZCompressionLevel FCompressionLevel = clFastest;
  std::string FPassword;
  // The archive stream: owned (FOwnedStream) unless it is a caller's custom stream.
  TKZStream* FCompressedStream = nullptr;
  std::unique_ptr<TKZStream> FOwnedStream;
  TZip64Mode FZip64Mode = zmAuto;
  // The state of the commit in progress (archive/commit_state.h); null outside a commit.
  TKZCommitState* FCommit = nullptr;
  std::size_t FCompressionThreads = 0;
};

}  // namespace kv::archive
