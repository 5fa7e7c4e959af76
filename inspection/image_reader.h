#pragma once
// Reads an image's bytes by RVA through a few cached windows of the file, so that a table and
// the names it points to cost one or two reads of the source instead of one read per name.
// Every read is bounded: by the file bytes that back the RVA (see SectionMap), by kMaxSpan for
// one request and by kMaxWindows and kMaxCachedBytes for the whole image, so a hostile file can
// neither make it allocate without bound nor read the same bytes over and over.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "inspection/pe_image.h"
#include "inspection/pe_sections.h"

namespace kv::inspection {

class ImageReader {
 public:
  static constexpr std::uint64_t kMaxSpan = 4 << 20;  // one table at most
  static constexpr std::size_t kMaxString = 512;      // bytes of a name before its NUL
  static constexpr std::size_t kMaxWindows = 64;
  static constexpr std::uint64_t kMaxCachedBytes = 64 << 20;

  ImageReader(const ByteSource& source, const SectionMap& map) : source_(source), map_(map) {}
  ImageReader(const ImageReader&) = delete;
  ImageReader& operator=(const ImageReader&) = delete;

  // The `count` bytes at `rva`, all backed by the file; an empty view when they are not (or
  // when a bound is reached). The view stays valid as long as the reader.
  std::string_view Bytes(std::uint64_t rva, std::uint64_t count);

  // The NUL-terminated name at `rva`; nothing when its NUL is not within kMaxString bytes or
  // not inside the file bytes of its section.
  std::optional<std::string> String(std::uint64_t rva);

  // Loads the bytes at `rva` (at most `count` of them, cut at the end of their section) in one
  // read, so that later reads inside them are served from memory.
  void Prefetch(std::uint64_t rva, std::uint64_t count);

 private:
  struct Window {
    std::uint64_t offset;
    std::string bytes;
  };
  std::string_view FileBytes(std::uint64_t offset, std::uint64_t count);
  std::optional<std::string_view> Cached(std::uint64_t offset, std::uint64_t count);

  const ByteSource& source_;
  const SectionMap& map_;
  std::deque<Window> windows_;  // a deque: adding a window never moves the bytes of another
  std::size_t last_hit_ = 0;
  std::uint64_t cached_bytes_ = 0;
};

}  // namespace kv::inspection
