#include "archive/stream.h"

#include <algorithm>
#include <cstring>

namespace kv::archive {

std::string TKZStream::ReadBytes(std::size_t count) {
  // Never allocate more than the stream can deliver, whatever the caller asked for.
  const auto available = static_cast<std::size_t>(std::max<std::int64_t>(Remaining(), 0));
  std::string out(std::min(count, available), '\0');
  out.resize(Read(out.data(), out.size()));
  return out;
}

std::string TKZStream::ReadAt(std::int64_t position, std::size_t count) {
  const std::int64_t saved = Position();
  Seek(position);
  std::string out = ReadBytes(count);
  Seek(saved);
  return out;
}

std::int64_t TKZStream::Remaining() const { return std::max<std::int64_t>(Size() - Position(), 0); }

std::size_t TKZMemoryStream::Read(void* buffer, std::size_t count) {
  const auto size = static_cast<std::int64_t>(bytes_.size());
  if (position_ >= size) return 0;
  const auto n = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(count), size - position_));
  std::memcpy(buffer, bytes_.data() + position_, n);
  position_ += static_cast<std::int64_t>(n);
  return n;
}

std::size_t TKZMemoryStream::Write(const void* buffer, std::size_t count) {
  const auto end = static_cast<std::size_t>(position_) + count;
  if (end > bytes_.size()) bytes_.resize(end, '\0');
  if (count) std::memcpy(bytes_.data() + position_, buffer, count);
  position_ = static_cast<std::int64_t>(end);
  return count;
}

std::int64_t TKZMemoryStream::Seek(std::int64_t position) {
  position_ = std::max<std::int64_t>(position, 0);
  return position_;
}

void TKZMemoryStream::SetSize(std::int64_t size) {
  bytes_.resize(static_cast<std::size_t>(std::max<std::int64_t>(size, 0)), '\0');
  position_ = std::min(position_, Size());
}

TKZFileStream::TKZFileStream(const std::u16string& path, std::uint16_t mode)
    : file_(platform::File::Open(path, mode)), mode_(mode) {}

}  // namespace kv::archive
