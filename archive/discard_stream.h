#pragma once
// A stream that takes decompressed bytes and forgets them: what testing a member extracts into.

#include <algorithm>
#include <cstdint>

#include "archive/stream.h"

namespace kv::archive {

class DiscardStream : public TKZStream {
 public:
  std::size_t Read(void*, std::size_t) override { return 0; }
  std::size_t Write(const void*, std::size_t count) override {
    position_ += static_cast<std::int64_t>(count);
    size_ = std::max(size_, position_);
    return count;
  }
  std::int64_t Seek(std::int64_t position) override { return position_ = position; }
  std::int64_t Position() const override { return position_; }
  std::int64_t Size() const override { return size_; }
  void SetSize(std::int64_t size) override { size_ = size; }

 private:
  std::int64_t position_ = 0;
  std::int64_t size_ = 0;
};

}  // namespace kv::archive
