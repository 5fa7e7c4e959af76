#pragma once
// The on-disk ZIP records the engine reads and writes, with their signatures, the values
// the engine puts into them, and MS-DOS date and time. Every record converts to and from its
// exact byte layout (little-endian, no padding); Parse returns nothing when fewer bytes than
// the record's size are given.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kv::archive {

inline constexpr std::uint32_t kLocalHeaderSignature = 0x04034B50;
inline constexpr std::uint32_t kCentralHeaderSignature = 0x02014B50;
inline constexpr std::uint32_t kCentralDirEndSignature = 0x06054B50;
inline constexpr std::uint32_t kZip64CentralDirEndSignature = 0x06064B50;
inline constexpr std::uint32_t kZip64LocatorSignature = 0x07064B50;
inline constexpr std::uint32_t kDataDescriptorSignature = 0x08074B50;

// Extra block header IDs the engine interprets.
inline constexpr std::uint16_t kZip64ExtraId = 0x0001;
inline constexpr std::uint16_t kUnicodeNameExtraId = 0x554E;  // bytes "NU"
inline constexpr std::uint16_t kAesExtraId = 0x9901;
inline constexpr std::uint32_t kUnicodeNameSignature = 0x5843554E;  // bytes "NUCX"

// Version values written as "made by" and "needed to extract" alike.
inline constexpr std::uint16_t kVersionOemNames = 20;
inline constexpr std::uint16_t kVersionAnsiNames = 0x0B14;
inline constexpr std::uint16_t kVersionZip64 = 45;
// AES information and the classic-encryption mark are honoured only below this version.
inline constexpr std::uint16_t kVersionAesLimit = 0x4114;

// General purpose flags.
inline constexpr std::uint16_t kFlagEncrypted = 0x0001;
inline constexpr std::uint16_t kFlagFolderEntry = 0x0002;  // value written for a folder entry
inline constexpr std::uint16_t kFlagDataDescriptor = 0x0008;
inline constexpr std::uint16_t kFlagUtf8Name = 0x0800;
// Central directory encryption: the local header's name, sizes and checksum are masked.
inline constexpr std::uint16_t kFlagMaskedHeaders = 0x2000;

// Compression methods.
inline constexpr std::uint16_t kMethodStored = 0;
inline constexpr std::uint16_t kMethodDeflate = 8;
inline constexpr std::uint16_t kMethodDeflate64 = 9;

// Windows file attribute bits as stored in externalAttr.
inline constexpr std::uint32_t kAttrReadOnly = 0x01;
inline constexpr std::uint32_t kAttrHidden = 0x02;
inline constexpr std::uint32_t kAttrSystem = 0x04;
inline constexpr std::uint32_t kAttrDirectory = 0x10;
inline constexpr std::uint32_t kAttrArchive = 0x20;

// "All ones": the value lives in the Zip64 block or record instead.
inline constexpr std::uint32_t kZip64Marker32 = 0xFFFFFFFF;
inline constexpr std::uint16_t kZip64Marker16 = 0xFFFF;

// Local file header, 30 bytes, followed by the name and the extra field.
struct TKZLocalFileHeader {
  static constexpr std::size_t kSize = 30;
  std::uint32_t signature = kLocalHeaderSignature;
  std::uint16_t extractVersion = 0;
  std::uint16_t genPurposeFlag = 0;
  std::uint16_t compMethod = 0;
  std::uint16_t lastModTime = 0;
  std::uint16_t lastModDate = 0;
  std::uint32_t crc32 = 0;
  std::uint32_t compSize = 0;
  std::uint32_t unCompSize = 0;
  std::uint16_t nameLength = 0;
  std::uint16_t extraLength = 0;

  std::string ToBytes() const;
  static std::optional<TKZLocalFileHeader> Parse(std::string_view bytes);
};

// Data descriptor, 16 bytes with its signature. Read by the recovery scan only.
struct TKZDataDescriptor {
  static constexpr std::size_t kSize = 16;
  std::uint32_t signature = kDataDescriptorSignature;
  std::uint32_t crc32 = 0;
  std::uint32_t compSize = 0;
  std::uint32_t unCompSize = 0;

  std::string ToBytes() const;
  static std::optional<TKZDataDescriptor> Parse(std::string_view bytes);
};

// Central directory file header, 46 bytes, followed by name, extra field and comment.
struct TKZZipCentralDir {
  static constexpr std::size_t kSize = 46;
  std::uint32_t signature = kCentralHeaderSignature;
  std::uint16_t versionMadeBy = 0;
  std::uint16_t extractVersion = 0;
  std::uint16_t genPurposeFlag = 0;
  std::uint16_t compMethod = 0;
  std::uint16_t lastModTime = 0;
  std::uint16_t lastModDate = 0;
  std::uint32_t crc32 = 0;
  std::uint32_t compSize = 0;
  std::uint32_t unCompSize = 0;
  std::uint16_t nameLength = 0;
  std::uint16_t extraLength = 0;
  std::uint16_t commentLength = 0;
  std::uint16_t diskNumberStart = 0;
  std::uint16_t internalAttr = 0;
  std::uint32_t externalAttr = 0;
  std::uint32_t relOffsetLH = 0;

  std::string ToBytes() const;
  static std::optional<TKZZipCentralDir> Parse(std::string_view bytes);
  bool operator==(const TKZZipCentralDir&) const = default;
};

// End of central directory record, 22 bytes, followed by the archive comment.
struct TKZZipCentralDirEnd {
  static constexpr std::size_t kSize = 22;
  std::uint32_t signature = kCentralDirEndSignature;
  std::uint16_t diskNumber = 0;
  std::uint16_t startDiskNumber = 0;
  std::uint16_t entriesOnDisk = 0;
  std::uint16_t entriesCentralDir = 0;
  std::uint32_t centralDirSize = 0;
  std::uint32_t offsetStartDir = 0;
  std::uint16_t commentLength = 0;

  std::string ToBytes() const;
  static std::optional<TKZZipCentralDirEnd> Parse(std::string_view bytes);
  bool operator==(const TKZZipCentralDirEnd&) const = default;
};

// Zip64 end of central directory record, 56 bytes, no extensible data.
struct TKZZip64CentralDirEnd {
  static constexpr std::size_t kSize = 56;
  std::uint32_t signature = kZip64CentralDirEndSignature;
  std::uint64_t centralDirEndSize = 44;
  std::uint16_t versionMadeBy = kVersionZip64;
  std::uint16_t versionNeededToExtract = kVersionZip64;
  std::uint32_t diskNumber = 0;
  std::uint32_t startDiskNumber = 0;
  std::uint64_t entriesOnDisk = 0;
  std::uint64_t entriesCentralDir = 0;
  std::uint64_t centralDirSize = 0;
  std::uint64_t offsetStartDir = 0;

  std::string ToBytes() const;
  static std::optional<TKZZip64CentralDirEnd> Parse(std::string_view bytes);
  bool operator==(const TKZZip64CentralDirEnd&) const = default;
};

// Zip64 end of central directory locator, 20 bytes.
struct TKZZip64CentralDirEndLocator {
  static constexpr std::size_t kSize = 20;
  std::uint32_t signature = kZip64LocatorSignature;
  std::uint32_t startDiskNumber = 0;
  std::uint64_t offsetStartDirEnd = 0;
  std::uint32_t totalNumberOfDisks = 1;

  std::string ToBytes() const;
  static std::optional<TKZZip64CentralDirEndLocator> Parse(std::string_view bytes);
  bool operator==(const TKZZip64CentralDirEndLocator&) const = default;
};

// One block of an extra field: header ID, data size, and the data, owned by the block.
struct TKZExtraFieldDataBlock {
  std::uint16_t headerID = 0;
  std::uint16_t dataSize = 0;
  std::string pData;  // dataSize bytes

  bool operator==(const TKZExtraFieldDataBlock&) const = default;
};

// The 64-bit values of an entry whose 32-bit (or 16-bit) fields hold all ones.
struct TKZZip64ExtendedInfo {
  std::uint64_t uncompSize = 0;
  std::uint64_t compSize = 0;
  std::uint64_t relOffsetLH = 0;
  std::uint32_t diskNumberStart = 0;

  bool operator==(const TKZZip64ExtendedInfo&) const = default;
};

// Enumerations of the directory item, values numbered from 0 in declaration order.
enum TKZCryptoAlgorithm : std::uint8_t { caPkzipClassic, caAES_128, caAES_192, caAES_256 };
enum TKZProcessOperation : std::uint8_t {
  poAdd,
  poMove,
  poDelete,
  poUpdate,
  poExtract,
  poTest,
  poRename,
  poChangeAttr,
  poChangeComment,
  poMakeSFX,
  poMerge
};

// MS-DOS time and date of the APPNOTE (local time; two-second resolution; years 1980-2107).
struct TKZDosDateTime {
  int year = 1980, month = 1, day = 1, hour = 0, minute = 0, second = 0;
  bool operator==(const TKZDosDateTime&) const = default;
};
std::uint16_t DosTime(const TKZDosDateTime& t);
std::uint16_t DosDate(const TKZDosDateTime& t);
TKZDosDateTime FromDos(std::uint16_t dos_date, std::uint16_t dos_time);

}  // namespace kv::archive
