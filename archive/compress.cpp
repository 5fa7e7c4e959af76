#include "archive/compress.h"

#include <zlib.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "archive/crc32.h"

namespace kv::archive {
namespace {

constexpr std::size_t kKiB = 1024;

// The engine's CRC-32 (reflected polynomial 0xEDB88320), eight bytes per step: the tables
// are derived from the 256-entry table, so the result is UpdateCrc32's, only faster.
struct Crc32Tables {
  std::uint32_t t[8][256];
  Crc32Tables() : t{} {
    for (std::uint32_t n = 0; n < 256; ++n) t[0][n] = UpdateCrc32(0, static_cast<std::uint8_t>(n));
    for (std::uint32_t n = 0; n < 256; ++n)
      for (int k = 1; k < 8; ++k) t[k][n] = (t[k - 1][n] >> 8) ^ t[0][t[k - 1][n] & 0xFF];
  }
};

std::uint32_t UpdateCrc32Fast(std::uint32_t crc, const char* data, std::size_t size) {
  static const Crc32Tables tables;
  const auto* p = reinterpret_cast<const unsigned char*>(data);
  const auto& t = tables.t;
  while (size >= 8) {
    const std::uint32_t lo = crc ^ (p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24);
    const std::uint32_t hi = p[4] | p[5] << 8 | p[6] << 16 | static_cast<std::uint32_t>(p[7]) << 24;
    crc = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^ t[3][hi & 0xFF] ^
          t[2][(hi >> 8) & 0xFF] ^ t[1][(hi >> 16) & 0xFF] ^ t[0][hi >> 24];
    p += 8;
    size -= 8;
  }
  return UpdateCrc32(crc, p, size);
}

// One deflate stream; deflateEnd runs on every way out.
class Deflater {
 public:
  explicit Deflater(int level) {
    // Negative window bits give raw deflate data: the bytes of a zlib stream without its
    // 2-byte header and 4-byte Adler-32 trailer.
    const int rc = deflateInit2(&stream_, std::clamp(level, 0, 9), Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    if (rc != Z_OK) throw CompressionError(rc);
  }
  ~Deflater() { deflateEnd(&stream_); }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  // Deflates one whole input block into `out` and returns how many bytes it produced. The
  // buffer only grows, so it is not cleared again for every block.
  std::size_t Block(const char* in, std::size_t n, bool last, std::vector<char>& out) {
    stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in));
    stream_.avail_in = static_cast<uInt>(n);
    if (out.size() < OutputRoom(n)) out.resize(OutputRoom(n));
    std::size_t produced = 0;
    // The buffer fits one call's output; a further round runs only if zlib still holds some.
    for (;;) {
      stream_.next_out = reinterpret_cast<Bytef*>(out.data() + produced);
      stream_.avail_out = static_cast<uInt>(out.size() - produced);
      const int rc = deflate(&stream_, last ? Z_FINISH : Z_SYNC_FLUSH);
      if (rc == Z_STREAM_ERROR) throw CompressionError(rc);
      produced = out.size() - stream_.avail_out;
      if (stream_.avail_out != 0) return produced;
      out.resize(out.size() + OutputRoom(n));
    }
  }

  // Output room for n input bytes: n + n/10 + 12, rounded up to a multiple of 256.
  static std::size_t OutputRoom(std::size_t n) { return (n + n / 10 + 12 + 255) / 256 * 256; }

 private:
  z_stream stream_{};
};

}  // namespace

std::size_t CompressionBlockSize(int mode) {
  if (mode >= 1 && mode <= 3) return 512 * kKiB;
  if (mode >= 7 && mode <= 9) return 1536 * kKiB;
  return 1024 * kKiB;
}

CompressOutcome CompressStream(std::uint64_t size, int mode, bool deflate, const CompressIo& io) {
  CompressOutcome outcome;
  const std::size_t block = CompressionBlockSize(mode);
  std::vector<char> input(static_cast<std::size_t>(std::min<std::uint64_t>(size, block)));
  std::vector<char> output;
  std::unique_ptr<Deflater> deflater;
  if (deflate) {
    deflater = std::make_unique<Deflater>(mode);
    output.resize(Deflater::OutputRoom(input.size()));
  }
  std::uint32_t crc = kCrc32Initial;
  while (outcome.bytes_read < size) {
    if (io.before_block && !io.before_block(outcome.bytes_read)) return outcome;
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(block, size - outcome.bytes_read));
    if (io.read(input.data(), n) != n) return outcome;
    crc = UpdateCrc32Fast(crc, input.data(), n);
    const bool last = outcome.bytes_read + n == size;
    const char* data = input.data();
    std::size_t length = n;
    if (deflater) {
      length = deflater->Block(input.data(), n, last, output);
      data = output.data();
    }
    if (!io.write(data, length)) return outcome;
    outcome.bytes_read += n;
    outcome.bytes_written += length;
  }
  outcome.crc32 = ~crc;
  outcome.complete = true;
  return outcome;
}

}  // namespace kv::archive
