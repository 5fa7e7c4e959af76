#pragma once
// CompressAhead: small files that a commit will store after the member in hand, read and
// deflated by the workers beforehand, so that both cores work while members are small.
//
// A file handed over is opened, read and deflated (one block, no dictionary: the very bytes
// the committing thread would produce) on a worker. Its turn comes as usual: the member's
// events, its source opened on the committing thread and every failure happen there, in
// order; only the reading and deflating are done already. A result is taken once, for the
// same path, level and size; anything else (a file that could not be read, grew, shrank or
// was dropped by a failure) is thrown away and the member is read again in its turn.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <future>
#include <optional>
#include <string>

#include "archive/compress.h"
#include "archive/compress_workers.h"

namespace kv::archive {

class CompressAhead {
 public:
  // Files below this size are left to the committing thread.
  static constexpr std::uint64_t kSmallest = 8 * 1024;

  explicit CompressAhead(CompressWorkers& workers) : workers_(workers) {}

  // Whether a source of `size` bytes is worth handing over at `level`.
  static bool Worth(std::uint64_t size, int level);
  // Files handed over and not taken or dropped yet.
  std::size_t Count() const { return entries_.size(); }
  bool Holds(const std::u16string& path) const;
  // Hands `path` (opened with the engine's mode word `open_mode`) to the workers.
  void Start(const std::u16string& path, std::uint16_t open_mode, int level);
  // The deflated file when it was handed over at `level` and read as `size` bytes; the entry
  // is gone afterwards either way.
  std::optional<DeflatedBlock> Take(const std::u16string& path, int level, std::uint64_t size);
  void Drop(const std::u16string& path);

 private:
  struct Entry {
    std::u16string path;
    int level = 0;
    std::future<DeflatedBlock> result;
  };

  CompressWorkers& workers_;
  std::deque<Entry> entries_;
};

}  // namespace kv::archive
