#pragma once
// The engine's CRC-32 (reflected polynomial 0xEDB88320), the one used for every member that is
// written, extracted or tested. It is zlib's crc32, which reads several bytes per step; the
// running value here is the complement of zlib's. Callers start from kCrc32Initial and
// complement the final value, or use Crc32() which does both.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kv::archive {

inline constexpr std::uint32_t kCrc32Initial = 0xFFFFFFFF;

// One byte: crc := table[(crc xor byte) and 0xFF] xor (crc shr 8).
std::uint32_t UpdateCrc32(std::uint32_t crc, std::uint8_t byte);
// The same over a whole buffer.
std::uint32_t UpdateCrc32(std::uint32_t crc, const void* data, std::size_t size);
// The finished CRC-32 of `bytes`.
std::uint32_t Crc32(std::string_view bytes);
// The finished CRC-32 of two pieces one after the other, from the finished CRC-32 of each
// and the size of the second (a block, below 2 GiB).
std::uint32_t CombineCrc32(std::uint32_t first, std::uint32_t second, std::size_t second_size);

}  // namespace kv::archive
