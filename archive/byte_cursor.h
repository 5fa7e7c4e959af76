#pragma once
// Bounded little-endian reading and writing of archive records. The reader never touches a
// byte outside its span: a read past the end yields zeros and clears the sticky ok flag, so a
// record parser checks ok() once at the end instead of before every field.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kv::archive {

class ByteReader {
 public:
  explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}

  std::uint8_t U8() { return static_cast<std::uint8_t>(Take(1)); }
  std::uint16_t U16() { return static_cast<std::uint16_t>(Take(2)); }
  std::uint32_t U32() { return static_cast<std::uint32_t>(Take(4)); }
  std::uint64_t U64() { return Take(8); }

  // The next `count` bytes; an empty view (and ok() false) when fewer remain.
  std::string_view Bytes(std::size_t count) {
    if (!Has(count)) return Fail();
    std::string_view out = bytes_.substr(pos_, count);
    pos_ += count;
    return out;
  }
  void Skip(std::size_t count) {
    if (Has(count)) pos_ += count;
    else Fail();
  }

  bool ok() const { return ok_; }
  bool Has(std::size_t count) const { return ok_ && count <= bytes_.size() - pos_; }
  std::size_t remaining() const { return bytes_.size() - pos_; }
  std::size_t position() const { return pos_; }

 private:
  std::uint64_t Take(std::size_t width) {
    if (!Has(width)) {
      Fail();
      return 0;
    }
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i)
      value |= std::uint64_t{static_cast<unsigned char>(bytes_[pos_ + i])} << (8 * i);
    pos_ += width;
    return value;
  }
  std::string_view Fail() {
    ok_ = false;
    pos_ = bytes_.size();
    return {};
  }

  std::string_view bytes_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

// Appends little-endian values to a byte string.
class ByteWriter {
 public:
  explicit ByteWriter(std::string& out) : out_(out) {}
  ByteWriter& U8(std::uint8_t v) { return Put(v, 1); }
  ByteWriter& U16(std::uint16_t v) { return Put(v, 2); }
  ByteWriter& U32(std::uint32_t v) { return Put(v, 4); }
  ByteWriter& U64(std::uint64_t v) { return Put(v, 8); }
  ByteWriter& Bytes(std::string_view bytes) {
    out_.append(bytes);
    return *this;
  }

 private:
  ByteWriter& Put(std::uint64_t v, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) out_.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    return *this;
  }
  std::string& out_;
};

}  // namespace kv::archive
