#pragma once
// The engine's own table-driven CRC-32 (reflected polynomial 0xEDB88320), the same function
// as zlib's crc32. Callers start from kCrc32Initial and complement the final value, or use
// Crc32() which does both.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kv::archive {

inline constexpr std::uint32_t kCrc32Initial = 0xFFFFFFFF;

// One step: crc := table[(crc xor byte) and 0xFF] xor (crc shr 8).
std::uint32_t UpdateCrc32(std::uint32_t crc, std::uint8_t byte);
// The same step over a whole buffer.
std::uint32_t UpdateCrc32(std::uint32_t crc, const void* data, std::size_t size);
// The finished CRC-32 of `bytes`.
std::uint32_t Crc32(std::string_view bytes);

}  // namespace kv::archive
