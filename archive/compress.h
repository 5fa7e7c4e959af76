#pragma once
// Compressing one member: the source is read in blocks whose size follows the compression
// mode, each block is deflated by one call (sync flush, the last with finish) and the raw
// deflate data is handed on block by block, so memory does not grow with the member's size.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

namespace kv::archive {

// Input block size by compression mode: 512 KiB for modes 1-3, 1 MiB for 0 and 4-6,
// 1.5 MiB for 7-9.
std::size_t CompressionBlockSize(int mode);

// zlib reported a failure; the message is "error " and zlib's result number. Not an engine
// error: it leaves the commit as it is.
class CompressionError : public std::runtime_error {
 public:
  explicit CompressionError(int zlib_result)
      : std::runtime_error("error " + std::to_string(zlib_result)), result_(zlib_result) {}
  int result() const { return result_; }

 private:
  int result_;
};

struct CompressIo {
  // Reads up to `n` bytes into `buffer` and returns how many arrived; fewer than `n` means
  // the source ended early (it shrank while it was read).
  std::function<std::size_t(char* buffer, std::size_t n)> read;
  // Writes the bytes and returns false when the destination took fewer (nothing of that
  // block is counted then). May throw; the zlib state is released either way.
  std::function<bool(const char* data, std::size_t n)> write;
  // Called before each block is read with the bytes read so far; false stops (cancel).
  // May be empty.
  std::function<bool(std::uint64_t bytes_read)> before_block;
};

struct CompressOutcome {
  std::uint64_t bytes_read = 0;     // source bytes read and written out
  std::uint64_t bytes_written = 0;  // bytes handed to `write`
  std::uint32_t crc32 = 0;          // CRC-32 of the bytes read (final, complemented)
  bool complete = false;            // the whole `size` bytes went through
};

// Reads `size` bytes through `io`, deflates them at level `mode` when `deflate` is true
// (raw deflate data, no zlib header or trailer) or copies them unchanged otherwise, and
// writes the result through `io`. Stops early on a short read, a refused write or a cancel
// from `before_block`; `complete` then stays false. Throws CompressionError when zlib fails
// and whatever the callbacks throw.
CompressOutcome CompressStream(std::uint64_t size, int mode, bool deflate, const CompressIo& io);

}  // namespace kv::archive
