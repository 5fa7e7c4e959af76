#include "archive/compress_ahead.h"

#include <algorithm>
#include <stdexcept>

#include "archive/stream.h"

namespace kv::archive {
namespace {

// Runs on a worker: the whole file, deflated as the last (and only) block of its member.
DeflatedBlock ReadAndDeflate(const std::u16string& path, std::uint16_t open_mode, int level) {
  TKZFileStream source(path, open_mode);
  const std::int64_t size = source.Size();
  if (size <= 0 || static_cast<std::uint64_t>(size) > CompressionBlockSize(level))
    throw std::length_error("not one block");
  std::vector<char> data(static_cast<std::size_t>(size));
  if (source.Read(data.data(), data.size()) != data.size()) throw std::length_error("short read");
  return DeflateBlock(level, {}, data, true);
}

}  // namespace

bool CompressAhead::Worth(std::uint64_t size, int level) {
  return size >= kSmallest && size <= CompressionBlockSize(level);
}

bool CompressAhead::Holds(const std::u16string& path) const {
  return std::any_of(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.path == path; });
}

void CompressAhead::Start(const std::u16string& path, std::uint16_t open_mode, int level) {
  Entry entry{path, level, {}};
  entry.result = workers_.Submit([path, open_mode, level] { return ReadAndDeflate(path, open_mode, level); });
  entries_.push_back(std::move(entry));
}

std::optional<DeflatedBlock> CompressAhead::Take(const std::u16string& path, int level, std::uint64_t size) {
  const auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.path == path; });
  if (it == entries_.end()) return std::nullopt;
  Entry entry = std::move(*it);
  entries_.erase(it);
  if (entry.level != level) return std::nullopt;
  try {
    DeflatedBlock block = entry.result.get();
    if (block.input_size != size) return std::nullopt;
    return block;
  } catch (...) {
    return std::nullopt;  // read again in its turn, where a failure is reported as usual
  }
}

void CompressAhead::Drop(const std::u16string& path) {
  entries_.erase(std::remove_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.path == path; }),
                 entries_.end());
}

}  // namespace kv::archive
