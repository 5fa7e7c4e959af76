#include "inspection/image_reader.h"

#include <algorithm>

namespace kv::inspection {
namespace {

// Windows start and end on this grid, so neighbouring names share one window instead of each
// name that crosses the end of a window loading a new one.
constexpr std::uint64_t kGrain = 32 << 10;

}  // namespace

std::string_view ImageReader::Bytes(std::uint64_t rva, std::uint64_t count) {
  if (count == 0 || count > kMaxSpan) return {};
  const auto span = map_.Map(rva);
  if (!span || count > span->length) return {};
  return FileBytes(span->offset, count);
}

std::optional<std::string> ImageReader::String(std::uint64_t rva) {
  const auto span = map_.Map(rva);
  if (!span) return std::nullopt;
  const std::string_view bytes =
      FileBytes(span->offset, std::min<std::uint64_t>(span->length, kMaxString + 1));
  const std::size_t end = bytes.find('\0');
  if (end == std::string_view::npos) return std::nullopt;
  return std::string(bytes.substr(0, end));
}

void ImageReader::Prefetch(std::uint64_t rva, std::uint64_t count) {
  const auto span = map_.Map(rva);
  if (span) FileBytes(span->offset, std::min({count, span->length, kMaxSpan}));
}

std::string_view ImageReader::FileBytes(std::uint64_t offset, std::uint64_t count) {
  if (count == 0) return {};
  if (const auto hit = Cached(offset, count)) return *hit;
  const std::uint64_t start = offset / kGrain * kGrain;
  const std::uint64_t end = std::min((offset + count + kGrain - 1) / kGrain * kGrain, source_.Size());
  if (end < offset + count) return {};  // the caller's span was cut at the file's end already
  if (windows_.size() >= kMaxWindows || cached_bytes_ + (end - start) > kMaxCachedBytes) return {};
  Window window{start, source_.Read(start, static_cast<std::size_t>(end - start))};
  if (window.bytes.size() < offset + count - start) return {};  // the file shrank under us
  cached_bytes_ += window.bytes.size();
  windows_.push_back(std::move(window));
  last_hit_ = windows_.size() - 1;
  return std::string_view(windows_.back().bytes).substr(offset - start, count);
}

std::optional<std::string_view> ImageReader::Cached(std::uint64_t offset, std::uint64_t count) {
  const auto holds = [&](const Window& w) {
    return offset >= w.offset && offset - w.offset <= w.bytes.size() &&
           count <= w.bytes.size() - (offset - w.offset);
  };
  // Reads walk a table in order, so the last window used nearly always holds the next one.
  if (last_hit_ < windows_.size() && holds(windows_[last_hit_]))
    return std::string_view(windows_[last_hit_].bytes).substr(offset - windows_[last_hit_].offset, count);
  for (std::size_t i = 0; i < windows_.size(); ++i) {
    if (!holds(windows_[i])) continue;
    last_hit_ = i;
    return std::string_view(windows_[i].bytes).substr(offset - windows_[i].offset, count);
  }
  return std::nullopt;
}

}  // namespace kv::inspection
