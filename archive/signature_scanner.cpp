#include "archive/signature_scanner.h"

#include <algorithm>
#include <cstring>

#include "archive/stream.h"

namespace kv::archive {

SignatureScanner::SignatureScanner(TKZStream& stream, std::uint32_t signature, std::size_t window)
    : stream_(stream), window_(std::max<std::size_t>(window, 4)) {
  for (int i = 0; i < 4; ++i) sig_[i] = static_cast<char>((signature >> (8 * i)) & 0xFF);
}

void SignatureScanner::Load(std::int64_t from) {
  buffer_ = stream_.ReadAt(from, window_);
  buffer_start_ = from;
}

std::int64_t SignatureScanner::Next(std::int64_t from) {
  const std::int64_t size = stream_.Size();
  from = std::max<std::int64_t>(from, 0);
  while (from + 4 <= size) {
    const std::int64_t buffer_end = buffer_start_ + static_cast<std::int64_t>(buffer_.size());
    if (buffer_start_ < 0 || from < buffer_start_ || from + 4 > buffer_end) Load(from);
    if (buffer_.size() < 4) return -1;  // the stream delivered less than it claims
    const std::string_view view(buffer_);
    const std::size_t hit = view.find(std::string_view(sig_, 4), static_cast<std::size_t>(from - buffer_start_));
    if (hit != std::string_view::npos) return buffer_start_ + static_cast<std::int64_t>(hit);
    // Go on with the next window, overlapping by three bytes so no signature is split.
    from = buffer_start_ + static_cast<std::int64_t>(buffer_.size()) - 3;
    if (buffer_start_ + static_cast<std::int64_t>(buffer_.size()) >= size) return -1;
    Load(from);
  }
  return -1;
}

}  // namespace kv::archive
