#pragma once
// Extra field blocks of an entry: parsing an extra area into the directory item (Zip64
// values, the "NUCX" Unicode name block, AES information) and composing the central extra
// field for a save. Every block except Zip64 is kept byte for byte.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "archive/dir_item.h"

namespace kv::archive {

class TKZStream;

// The Unicode name block: "NUCX", a signed 32-bit count, then count UTF-16LE code units.
class TUnicodeExtendedInfo {
 public:
  // Parses a block's data; true when it is valid (then Name() is set).
  bool Load(std::string_view data);
  // Reads the block from the stream's position to its end.
  bool LoadFromStream(TKZStream& stream);
  // Writes signature, count and code units of Name().
  void SaveToStream(TKZStream& stream) const;
  // The block data as SaveToStream writes it (8 + 2 x count bytes).
  std::string ToBytes() const;

  const std::u16string& Name() const { return FName; }
  void SetName(std::u16string name) { FName = std::move(name); }
  std::uint32_t AdditionalSignature() const { return FAdditionalSignature; }

 private:
  std::uint32_t FAdditionalSignature = 0;
  std::u16string FName;
};

// Parses an extra area of an entry into `item` (ExtraFields, bHugeFile, Zip64ExtInfo, AES
// information). Returns the name of a valid Unicode block, which the caller sets as the
// item's name through the directory array. A last block claiming more bytes than remain is
// shortened to what remains; fewer than 4 trailing bytes are skipped.
std::optional<std::u16string> ParseExtraFields(std::string_view area, TDirItem& item);

// True when every size or offset field of `item` that holds all ones has its 64-bit value in
// the item's (last) Zip64 block; false when the block is missing or too short for them.
bool HasZip64ValuesForMarkers(const TDirItem& item);

// The central extra field of `item` for a save: the Zip64 block generated from Zip64ExtInfo
// for the fields that hold all ones, then every other block of ExtraFields in its order.
std::string ComposeCentralExtra(const TDirItem& item);

}  // namespace kv::archive
