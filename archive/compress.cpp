#include "archive/compress.h"

#include <zlib.h>

#include <algorithm>
#include <deque>
#include <future>
#include <memory>
#include <vector>

#include "archive/compress_workers.h"
#include "archive/crc32.h"

namespace kv::archive {
namespace {

constexpr std::size_t kKiB = 1024;

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

  void Prime(const std::vector<char>& dictionary) {
    if (dictionary.empty()) return;
    const int rc = deflateSetDictionary(&stream_, reinterpret_cast<const Bytef*>(dictionary.data()),
                                        static_cast<uInt>(dictionary.size()));
    if (rc != Z_OK) throw CompressionError(rc);
  }

  // Deflates one whole input block into `out` (sync flush, finish for the last) and cuts
  // `out` to what it produced.
  void Block(const char* in, std::size_t n, bool last, std::vector<char>& out) {
    stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in));
    stream_.avail_in = static_cast<uInt>(n);
    out.resize(OutputRoom(n));
    std::size_t produced = 0;
    // The buffer fits one call's output; a further round runs only if zlib still holds some.
    for (;;) {
      stream_.next_out = reinterpret_cast<Bytef*>(out.data() + produced);
      stream_.avail_out = static_cast<uInt>(out.size() - produced);
      const int rc = deflate(&stream_, last ? Z_FINISH : Z_SYNC_FLUSH);
      if (rc == Z_STREAM_ERROR) throw CompressionError(rc);
      produced = out.size() - stream_.avail_out;
      if (stream_.avail_out != 0) break;
      out.resize(out.size() + OutputRoom(n));
    }
    out.resize(produced);
  }

  // Output room for n input bytes: n + n/10 + 12, rounded up to a multiple of 256.
  static std::size_t OutputRoom(std::size_t n) { return (n + n / 10 + 12 + 255) / 256 * 256; }

 private:
  z_stream stream_{};
};

// A block on its way to the archive: deflated at once (no workers) or by a worker.
struct PendingBlock {
  std::future<DeflatedBlock> future;
  DeflatedBlock ready;
  bool deferred = false;

  DeflatedBlock Take() { return deferred ? future.get() : std::move(ready); }
};

// The last 32 KiB of `block`: the dictionary of the block after it.
std::vector<char> Tail(const std::vector<char>& block) {
  const std::size_t n = std::min(block.size(), kDeflateDictionarySize);
  return {block.end() - static_cast<std::ptrdiff_t>(n), block.end()};
}

}  // namespace

std::size_t CompressionBlockSize(int mode) {
  if (mode >= 1 && mode <= 3) return 512 * kKiB;
  if (mode >= 7 && mode <= 9) return 1536 * kKiB;
  return 1024 * kKiB;
}

DeflatedBlock DeflateBlock(int level, const std::vector<char>& dictionary, const std::vector<char>& in, bool last) {
  DeflatedBlock block;
  block.input_size = in.size();
  block.crc32 = ~UpdateCrc32(kCrc32Initial, in.data(), in.size());
  Deflater deflater(level);
  deflater.Prime(dictionary);
  deflater.Block(in.data(), in.size(), last, block.data);
  return block;
}

CompressOutcome CompressStream(std::uint64_t size, int mode, bool deflate, const CompressIo& io,
                               CompressWorkers* workers) {
  CompressOutcome outcome;
  const std::size_t block = CompressionBlockSize(mode);
  // A member of one block is deflated on this thread: handing it over would cost more.
  const std::size_t ahead = deflate && workers && size > block ? workers->Count() : 0;
  std::deque<PendingBlock> pending;
  std::vector<char> dictionary;
  std::uint32_t crc = 0;
  // Writes the oldest block in flight; false when the destination refused it.
  const auto write_oldest = [&] {
    DeflatedBlock done = pending.front().Take();
    pending.pop_front();
    if (!io.write(done.data.data(), done.data.size())) return false;
    crc = CombineCrc32(crc, done.crc32, done.input_size);
    outcome.bytes_read += done.input_size;
    outcome.bytes_written += done.data.size();
    return true;
  };
  // Writes every block in flight, as a stop finds them: what was read whole is written.
  const auto drain = [&] {
    while (!pending.empty())
      if (!write_oldest()) return false;
    return true;
  };
  std::uint64_t read = 0;
  while (read < size) {
    if (io.before_block && !io.before_block(read)) {
      drain();
      return outcome;
    }
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(block, size - read));
    std::vector<char> input(n);
    if (io.read(input.data(), n) != n) {
      drain();
      return outcome;
    }
    read += n;
    const bool last = read == size;
    std::vector<char> next_dictionary = deflate && !last ? Tail(input) : std::vector<char>{};
    PendingBlock item;
    if (!deflate) {
      item.ready.crc32 = ~UpdateCrc32(kCrc32Initial, input.data(), n);
      item.ready.input_size = n;
      item.ready.data = std::move(input);
    } else if (ahead > 0) {
      item.deferred = true;
      item.future = workers->Submit([mode, last, dictionary = std::move(dictionary), input = std::move(input)] {
        return DeflateBlock(mode, dictionary, input, last);
      });
    } else {
      item.ready = DeflateBlock(mode, dictionary, input, last);
    }
    dictionary = std::move(next_dictionary);
    pending.push_back(std::move(item));
    if (pending.size() > ahead && !write_oldest()) return outcome;
  }
  if (!drain()) return outcome;
  outcome.crc32 = crc;
  outcome.complete = true;
  return outcome;
}

}  // namespace kv::archive
