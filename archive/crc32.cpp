#include "archive/crc32.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

namespace kv::archive {

std::uint32_t UpdateCrc32(std::uint32_t crc, std::uint8_t byte) { return UpdateCrc32(crc, &byte, 1); }

std::uint32_t UpdateCrc32(std::uint32_t crc, const void* data, std::size_t size) {
  // zlib takes and gives the finished value; the running value is its complement.
  uLong finished = ~crc;
  const auto* p = static_cast<const Bytef*>(data);
  constexpr std::size_t kMostPerCall = std::numeric_limits<uInt>::max() / 2;
  while (size > 0) {
    const std::size_t n = std::min(size, kMostPerCall);
    finished = crc32(finished, p, static_cast<uInt>(n));
    p += n;
    size -= n;
  }
  return ~static_cast<std::uint32_t>(finished);
}

std::uint32_t Crc32(std::string_view bytes) { return ~UpdateCrc32(kCrc32Initial, bytes.data(), bytes.size()); }

std::uint32_t CombineCrc32(std::uint32_t first, std::uint32_t second, std::size_t second_size) {
  return static_cast<std::uint32_t>(crc32_combine(first, second, static_cast<z_off_t>(second_size)));
}

}  // namespace kv::archive
