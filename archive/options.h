#pragma once
// The archive object's enumerations and option objects. Enumeration values are numbered from
// 0 in declaration order.
#include <cstdint>

#include "archive/records.h"

namespace kv::archive {

enum TKZCompressionLevel : std::uint8_t { clNone, clFastest, clNormal, clMax };
enum TKZCompressionAlgorithm : std::uint8_t { caZLIB, caBZIP, caPPM };
enum TKZProgressPhase : std::uint8_t { ppStart, ppProcess, ppEnd };
enum TKZAction : std::uint8_t { fxaRetry, fxaIgnore, fxaAbort };
enum TKZOverwriteMode : std::uint8_t { omPrompt, omAlways, omNever, omIfNewer, omIfOlder };
enum TKZFileShareMode : std::uint8_t {
  smShareCompat, smShareExclusive, smShareDenyWrite, smShareDenyRead, smShareDenyNone
};
enum TKZStorePathMode : std::uint8_t { spNoPath, spRelativePath, spFullPath, spFullPathWithDrive };
enum TZip64Mode : std::uint8_t { zmDisabled, zmAuto, zmAlways };
enum TKZSpanningMode : std::uint8_t { smNone, smSpanning, smSplitting };
enum TKZVolumeSize : std::uint8_t {
  vsAutoDetect, vsCustom, vs1_44MB, vs100MB, vs200MB, vs250MB, vs600MB, vs650MB, vs700MB, vs4700MB
};
enum TKZVolumeNumberKind : std::uint8_t { vnkFirst, vnkLast, vnkCustom, vnkUnknown };

// Open modes of the archive file in use (the file-stream mode word, platform/file_stream.h).
inline constexpr std::uint16_t kModeCreate = 0xFF00;
inline constexpr std::uint16_t kModeReadShared = 0x40;         // read, others may do anything
inline constexpr std::uint16_t kModeReadWriteDenyWrite = 0x22;  // read and write, others may not write

// The attribute filter 10431 (0x28BF) used by default for searches and extraction.
inline constexpr std::uint32_t kDefaultSearchAttr = 10431;

// The sharing bits of the mode word for a share mode (smShareCompat gives none).
std::uint16_t ShareModeBits(TKZFileShareMode mode);

class TKZOptions {
 public:
  // Copies every option except ShareMode.
  void Assign(const TKZOptions& source);

  TKZStorePathMode FStorePath = spRelativePath;
  bool FRecurse = true;
  TKZFileShareMode FShareMode = smShareDenyNone;
  TKZOverwriteMode FOverwriteMode = omAlways;
  bool FCreateDirs = true;
  bool FReplaceReadOnly = true;
  bool FSetAttributes = true;
  std::uint32_t FSearchAttr = kDefaultSearchAttr;
  bool FFlushBuffers = true;
  bool FOEMFileNames = true;

  bool Recurse() const { return FRecurse; }
  void SetRecurse(bool v) { FRecurse = v; }
  TKZStorePathMode StorePath() const { return FStorePath; }
  void SetStorePath(TKZStorePathMode v) { FStorePath = v; }
  TKZFileShareMode ShareMode() const { return FShareMode; }
  void SetShareMode(TKZFileShareMode v) { FShareMode = v; }
  TKZOverwriteMode OverwriteMode() const { return FOverwriteMode; }
  void SetOverwriteMode(TKZOverwriteMode v) { FOverwriteMode = v; }
  bool CreateDirs() const { return FCreateDirs; }
  void SetCreateDirs(bool v) { FCreateDirs = v; }
  bool ReplaceReadOnly() const { return FReplaceReadOnly; }
  void SetReplaceReadOnly(bool v) { FReplaceReadOnly = v; }
  bool SetAttributes() const { return FSetAttributes; }
  void SetSetAttributes(bool v) { FSetAttributes = v; }
  std::uint32_t SearchAttr() const { return FSearchAttr; }
  void SetSearchAttr(std::uint32_t v) { FSearchAttr = v; }
  bool FlushBuffers() const { return FFlushBuffers; }
  void SetFlushBuffers(bool v) { FFlushBuffers = v; }
  bool OEMFileNames() const { return FOEMFileNames; }
  void SetOEMFileNames(bool v) { FOEMFileNames = v; }
};

class TKZSpanningOptions {
 public:
  static constexpr std::int64_t kMinCustomVolumeSize = 65536;

  void Assign(const TKZSpanningOptions& source) { *this = source; }
  // The size limit of a volume (0: unlimited). The first volume uses FirstVolumeSize when
  // that is above 0.
  std::int64_t VolumeSizeOf(bool first_volume) const;

  bool AdvancedNaming() const { return FAdvancedNaming; }
  void SetAdvancedNaming(bool v) { FAdvancedNaming = v; }
  std::int64_t FirstVolumeSize() const { return FFirstVolumeSize; }
  void SetFirstVolumeSize(std::int64_t v) { FFirstVolumeSize = v; }
  TKZVolumeSize VolumeSize() const { return FVolumeSize; }
  void SetVolumeSize(TKZVolumeSize v) { FVolumeSize = v; }
  std::int64_t CustomVolumeSize() const { return FCustomVolumeSize; }
  // Values below 65536 become 65536.
  void SetCustomVolumeSize(std::int64_t v) { FCustomVolumeSize = v < kMinCustomVolumeSize ? kMinCustomVolumeSize : v; }

  bool FAdvancedNaming = false;
  std::int64_t FFirstVolumeSize = 0;
  TKZVolumeSize FVolumeSize = vsAutoDetect;
  std::int64_t FCustomVolumeSize = 0;
  bool FSaveDirToFirstVolume = false;
};

class TKZVolumeNumberInfo {
 public:
  void Reset() { *this = TKZVolumeNumberInfo{}; }
  void MarkFirst() {
    FVolumeNumber = 0;
    FVolumeKind = vnkFirst;
  }
  void MarkLast() {
    FVolumeNumber = FLastVolumeNumber;
    FVolumeKind = vnkLast;
  }
  bool IsFirst() const { return FVolumeNumber == 0; }
  bool IsLast() const { return FLastVolumeNumber == -1 ? FVolumeKind == vnkLast : FVolumeNumber == FLastVolumeNumber; }
  void SetVolumeNumber(std::int32_t n) {
    FVolumeNumber = n;
    FVolumeKind = vnkCustom;
  }

  std::int32_t FVolumeNumber = -1;
  TKZVolumeNumberKind FVolumeKind = vnkUnknown;
  std::int32_t FLastVolumeNumber = -1;
};

}  // namespace kv::archive
