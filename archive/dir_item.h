#pragma once
// TDirItem: one central directory entry in memory, copied by value. Its extra blocks own
// their data; a source stream is shared by the copies.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "archive/records.h"

namespace kv::archive {

class TKZStream;

struct TDirItem {
  TKZZipCentralDir CentralDir;
  std::u16string Name;
  std::u16string OldName;
  std::string Comment;
  std::vector<TKZExtraFieldDataBlock> ExtraFields;
  TKZCryptoAlgorithm KZEncryptionAlgorithm = caPkzipClassic;
  bool bHugeFile = false;
  TKZZip64ExtendedInfo Zip64ExtInfo;
  bool Modified = false;
  std::string Password;
  std::shared_ptr<TKZStream> Stream;  // source of a member added from a stream
  bool bDestroyStream = false;
  std::int32_t Position = 0;
  bool Tagged = false;
  std::u16string SrcFileName;
  std::uint16_t CompressionMethod = 0;
  std::uint8_t CompressionMode = 0;
  TKZProcessOperation Operation = poAdd;
  bool UseOldRijndael = false;

  // The 64-bit values, from Zip64ExtInfo where the 32-bit field holds all ones.
  std::uint64_t UncompressedSize() const;
  std::uint64_t CompressedSize() const;
  std::uint64_t LocalHeaderOffset() const;
  // Stores an offset where it lives: in relOffsetLH, or in Zip64ExtInfo when that field
  // already holds all ones.
  void SetLocalHeaderOffset(std::uint64_t offset);
  bool IsFolder() const { return (CentralDir.externalAttr & kAttrDirectory) != 0; }
};

}  // namespace kv::archive
