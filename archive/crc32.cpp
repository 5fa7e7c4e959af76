#include "archive/crc32.h"

#include <array>

namespace kv::archive {
namespace {

constexpr std::array<std::uint32_t, 256> MakeTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

constexpr std::array<std::uint32_t, 256> kTable = MakeTable();

}  // namespace

std::uint32_t UpdateCrc32(std::uint32_t crc, std::uint8_t byte) { return kTable[(crc ^ byte) & 0xFF] ^ (crc >> 8); }

std::uint32_t UpdateCrc32(std::uint32_t crc, const void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  for (std::size_t i = 0; i < size; ++i) crc = kTable[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
  return crc;
}

std::uint32_t Crc32(std::string_view bytes) {
  return ~UpdateCrc32(kCrc32Initial, bytes.data(), bytes.size());
}

}  // namespace kv::archive
