#pragma once
// TKZArchiveItem: the search record filled by FindFirst and FindNext, with the search state
// that FindNext continues from.
#include <array>
#include <cstdint>
#include <string>

namespace kv::archive {

struct TInternalSearchRec {
  static constexpr std::size_t kMaskCapacity = 260;  // a mask has at most 259 characters
  std::int32_t ItemNo = -1;
  std::array<char16_t, kMaskCapacity> CFindMask{};
  bool FWildCards = false;
  std::uint32_t FFindAttr = 0;
  std::u16string ExclusionMask;
  bool UseProperties = false;
};

struct TKZArchiveItem {
  std::u16string FileName;
  std::u16string StoredPath;
  std::int64_t CompressedSize = 0;
  std::int64_t UncompressedSize = 0;
  double CompressionRate = 0.0;
  bool Encrypted = false;
  std::uint16_t LastModFileDate = 0;
  std::uint16_t LastModFileTime = 0;
  std::int32_t CRC = 0;
  std::uint32_t ExternalFileAttributes = 0;
  std::string Comment;
  TInternalSearchRec Handle;
};

}  // namespace kv::archive
