#include "archive/options.h"

#include <array>

namespace kv::archive {

std::uint16_t ShareModeBits(TKZFileShareMode mode) {
  constexpr std::array<std::uint16_t, 5> kBits = {0x00, 0x10, 0x20, 0x30, 0x40};
  return kBits[mode];
}

void TKZOptions::Assign(const TKZOptions& source) {
  TKZFileShareMode keep = FShareMode;
  *this = source;
  FShareMode = keep;
}

std::int64_t TKZSpanningOptions::VolumeSizeOf(bool first_volume) const {
  if (first_volume && FFirstVolumeSize > 0) return FFirstVolumeSize;
  constexpr std::array<std::int64_t, 10> kSizes = {
      0, 0, 1457664, 104857600, 209715200, 262144000, 629145600, 681574400, 734003200, 4928307200};
  return FVolumeSize == vsCustom ? FCustomVolumeSize : kSizes[FVolumeSize];
}

}  // namespace kv::archive
