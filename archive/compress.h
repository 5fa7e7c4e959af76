#pragma once
// Compressing one member: the source is read in blocks whose size follows the compression
// mode and the raw deflate data is handed on block by block, so memory does not grow with the
// member's size.
//
// Every block is deflated on its own, primed with the last 32 KiB of the block before it as
// dictionary: all blocks but the last end with a sync flush (byte-aligned, not final), the
// last with finish, so the pieces put one after the other are one deflate stream. A block's
// bytes depend only on the level, the block and the 32 KiB before it, never on which thread
// deflated it or when: an archive is the same byte for byte whatever the number of threads.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kv::archive {

class CompressWorkers;

// Input block size by compression mode: 512 KiB for modes 1-3, 1 MiB for 0 and 4-6,
// 1.5 MiB for 7-9.
std::size_t CompressionBlockSize(int mode);

// The dictionary a block is primed with: this much of the input before it.
inline constexpr std::size_t kDeflateDictionarySize = 32 * 1024;

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

// One block as it goes into the archive.
struct DeflatedBlock {
  std::vector<char> data;      // the raw deflate data (or the input itself, stored)
  std::size_t input_size = 0;  // bytes of the source it holds
  std::uint32_t crc32 = 0;     // finished CRC-32 of those source bytes
};

// Deflates `in` at `level` primed with `dictionary` (may be empty); `last` ends the stream.
// Throws CompressionError when zlib fails.
DeflatedBlock DeflateBlock(int level, const std::vector<char>& dictionary, const std::vector<char>& in, bool last);

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
// writes the result through `io`. With `workers`, the blocks after the one in hand are
// deflated by the workers while it is written (one block per worker ahead at most); the
// callbacks always run on the calling thread, and each block is read only after its
// before_block call. Stops early on a short read, a refused write or a cancel from
// `before_block` (the blocks read whole before are written first); `complete` then stays
// false. Throws CompressionError when zlib fails and
// whatever the callbacks throw.
CompressOutcome CompressStream(std::uint64_t size, int mode, bool deflate, const CompressIo& io,
                               CompressWorkers* workers = nullptr);

}  // namespace kv::archive
