#include "archive/dir_item.h"

namespace kv::archive {

std::uint64_t TDirItem::UncompressedSize() const {
  return CentralDir.unCompSize == kZip64Marker32 ? Zip64ExtInfo.uncompSize : CentralDir.unCompSize;
}

std::uint64_t TDirItem::CompressedSize() const {
  return CentralDir.compSize == kZip64Marker32 ? Zip64ExtInfo.compSize : CentralDir.compSize;
}

std::uint64_t TDirItem::LocalHeaderOffset() const {
  return CentralDir.relOffsetLH == kZip64Marker32 ? Zip64ExtInfo.relOffsetLH : CentralDir.relOffsetLH;
}

void TDirItem::SetLocalHeaderOffset(std::uint64_t offset) {
  if (CentralDir.relOffsetLH == kZip64Marker32) Zip64ExtInfo.relOffsetLH = offset;
  else CentralDir.relOffsetLH = static_cast<std::uint32_t>(offset);
}

}  // namespace kv::archive
