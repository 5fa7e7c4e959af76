#include "archive/extra_fields.h"

#include "archive/byte_cursor.h"
#include "archive/stream.h"

namespace kv::archive {
namespace {

// Zip64 block of a central header: only the values whose 32-bit (or 16-bit) field holds all
// ones, in this order, each taken only when it is wholly present.
void ReadZip64Block(std::string_view data, TDirItem& item) {
  ByteReader in(data);
  const TKZZipCentralDir& cd = item.CentralDir;
  if (cd.unCompSize == kZip64Marker32 && in.Has(8)) item.Zip64ExtInfo.uncompSize = in.U64();
  if (cd.compSize == kZip64Marker32 && in.Has(8)) item.Zip64ExtInfo.compSize = in.U64();
  if (cd.relOffsetLH == kZip64Marker32 && in.Has(8)) item.Zip64ExtInfo.relOffsetLH = in.U64();
  if (cd.diskNumberStart == kZip64Marker16 && in.Has(2)) item.Zip64ExtInfo.diskNumberStart = in.U16();
  item.bHugeFile = true;
}

// AES information, honoured only below the AES version limit: key strength 1-3 gives the
// algorithm, the actual method replaces the compression method.
void ReadAesBlock(std::string_view data, TDirItem& item) {
  if (item.CentralDir.extractVersion >= kVersionAesLimit) return;
  ByteReader in(data);
  in.Skip(4);  // vendor version, vendor ID
  const std::uint8_t strength = in.U8();
  const std::uint16_t method = in.U16();
  if (!in.ok()) return;
  if (strength >= 1 && strength <= 3) item.KZEncryptionAlgorithm = static_cast<TKZCryptoAlgorithm>(strength);
  item.CompressionMethod = method;
}

}  // namespace

bool TUnicodeExtendedInfo::Load(std::string_view data) {
  ByteReader in(data);
  const std::uint32_t signature = in.U32();
  if (!in.ok() || signature != kUnicodeNameSignature) return false;
  FAdditionalSignature = signature;
  const auto count = static_cast<std::int32_t>(in.U32());
  // The count must be non-negative and the block must hold all its code units.
  if (!in.ok() || count < 0 || in.remaining() < 2 * static_cast<std::size_t>(count)) return false;
  std::u16string name(static_cast<std::size_t>(count), u'\0');
  for (char16_t& c : name) c = in.U16();
  FName = std::move(name);
  return true;
}

bool TUnicodeExtendedInfo::LoadFromStream(TKZStream& stream) {
  return Load(stream.ReadBytes(static_cast<std::size_t>(stream.Remaining())));
}

std::string TUnicodeExtendedInfo::ToBytes() const {
  std::string out;
  ByteWriter w(out);
  w.U32(kUnicodeNameSignature).U32(static_cast<std::uint32_t>(FName.size()));
  for (char16_t c : FName) w.U16(c);
  return out;
}

void TUnicodeExtendedInfo::SaveToStream(TKZStream& stream) const { stream.WriteBytes(ToBytes()); }

std::optional<std::u16string> ParseExtraFields(std::string_view area, TDirItem& item) {
  item.bHugeFile = false;
  item.ExtraFields.clear();
  std::optional<std::u16string> unicode_name;
  ByteReader in(area);
  while (in.remaining() >= 4) {
    TKZExtraFieldDataBlock block;
    block.headerID = in.U16();
    block.dataSize = in.U16();
    // A block claiming more than remains is shortened to what remains.
    if (block.dataSize > in.remaining()) block.dataSize = static_cast<std::uint16_t>(in.remaining());
    block.pData = std::string(in.Bytes(block.dataSize));
    if (block.headerID == kZip64ExtraId) ReadZip64Block(block.pData, item);
    if (block.headerID == kUnicodeNameExtraId) {
      TUnicodeExtendedInfo info;
      if (info.Load(block.pData)) unicode_name = info.Name();
    }
    if (block.headerID == kAesExtraId) ReadAesBlock(block.pData, item);
    item.ExtraFields.push_back(std::move(block));
  }
  return unicode_name;
}

bool HasZip64ValuesForMarkers(const TDirItem& item) {
  const TKZZipCentralDir& cd = item.CentralDir;
  const std::size_t needed = 8 * ((cd.unCompSize == kZip64Marker32 ? 1u : 0u) + (cd.compSize == kZip64Marker32 ? 1u : 0u) +
                                  (cd.relOffsetLH == kZip64Marker32 ? 1u : 0u));
  if (needed == 0) return true;
  const TKZExtraFieldDataBlock* zip64 = nullptr;
  for (const TKZExtraFieldDataBlock& block : item.ExtraFields)
    if (block.headerID == kZip64ExtraId) zip64 = &block;
  return zip64 && zip64->pData.size() >= needed;
}

std::string ComposeCentralExtra(const TDirItem& item) {
  const TKZZipCentralDir& cd = item.CentralDir;
  std::string zip64;
  ByteWriter z(zip64);
  if (cd.unCompSize == kZip64Marker32) z.U64(item.Zip64ExtInfo.uncompSize);
  if (cd.compSize == kZip64Marker32) z.U64(item.Zip64ExtInfo.compSize);
  if (cd.relOffsetLH == kZip64Marker32) z.U64(item.Zip64ExtInfo.relOffsetLH);
  if (cd.diskNumberStart == kZip64Marker16) z.U32(item.Zip64ExtInfo.diskNumberStart);
  std::string out;
  ByteWriter w(out);
  if (!zip64.empty()) w.U16(kZip64ExtraId).U16(static_cast<std::uint16_t>(zip64.size())).Bytes(zip64);
  for (const TKZExtraFieldDataBlock& block : item.ExtraFields) {
    if (block.headerID == kZip64ExtraId) continue;
    w.U16(block.headerID).U16(static_cast<std::uint16_t>(block.pData.size())).Bytes(block.pData);
  }
  return out;
}

}  // namespace kv::archive
