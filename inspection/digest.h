#pragma once
// SHA-1 and SHA-256 (FIPS 180-4), fed in pieces: the digests signatures of program files are
// made with. Plain portable code; nothing here is secret, so no care for timing is needed.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kv::inspection {

class Sha1 {
 public:
  static constexpr std::size_t kSize = 20;
  Sha1();
  void Update(std::string_view bytes);
  // The digest of everything fed so far; the object must not be fed afterwards.
  std::string Finish();

 private:
  void Block(const unsigned char* block);
  std::array<std::uint32_t, 5> h_;
  std::array<unsigned char, 64> buffer_{};
  std::size_t buffered_ = 0;
  std::uint64_t length_ = 0;
};

class Sha256 {
 public:
  static constexpr std::size_t kSize = 32;
  Sha256();
  void Update(std::string_view bytes);
  std::string Finish();

 private:
  void Block(const unsigned char* block);
  std::array<std::uint32_t, 8> h_;
  std::array<unsigned char, 64> buffer_{};
  std::size_t buffered_ = 0;
  std::uint64_t length_ = 0;
};

// Lower-case hex of bytes (for messages and tests).
std::string HexOf(std::string_view bytes);

}  // namespace kv::inspection
