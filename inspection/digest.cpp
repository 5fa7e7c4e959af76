#include "inspection/digest.h"

#include <algorithm>
#include <cstring>

namespace kv::inspection {
namespace {

constexpr std::uint32_t Rotl(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }
constexpr std::uint32_t Rotr(std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

std::uint32_t BigEndian32(const unsigned char* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

// The Merkle–Damgård padding both hashes share: 0x80, zeros, the bit length big-endian.
template <typename Hash>
void Pad(Hash& hash, std::uint64_t length) {
  const std::uint64_t bits = length * 8;
  std::string tail(1, '\x80');
  const std::size_t used = static_cast<std::size_t>((length + 1) % 64);
  tail.append(used <= 56 ? 56 - used : 120 - used, '\0');
  for (int i = 7; i >= 0; --i) tail.push_back(static_cast<char>((bits >> (8 * i)) & 0xFF));
  hash.Update(tail);
}

// Feeds whole 64-byte blocks to `block`, keeping the rest in the buffer.
template <typename BlockFunction>
void Feed(std::string_view bytes, std::array<unsigned char, 64>& buffer, std::size_t& buffered,
          std::uint64_t& length, BlockFunction block) {
  length += bytes.size();
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t n = bytes.size();
  if (buffered > 0) {
    const std::size_t take = std::min(n, 64 - buffered);
    std::memcpy(buffer.data() + buffered, p, take);
    buffered += take;
    p += take;
    n -= take;
    if (buffered < 64) return;
    block(buffer.data());
    buffered = 0;
  }
  for (; n >= 64; p += 64, n -= 64) block(p);
  std::memcpy(buffer.data(), p, n);
  buffered = n;
}

template <std::size_t N>
std::string BigEndianWords(const std::array<std::uint32_t, N>& words) {
  std::string out;
  for (const std::uint32_t w : words)
    for (int i = 3; i >= 0; --i) out.push_back(static_cast<char>((w >> (8 * i)) & 0xFF));
  return out;
}

constexpr std::uint32_t kSha256K[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

}  // namespace

Sha1::Sha1() : h_{0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0} {}

void Sha1::Update(std::string_view bytes) {
  Feed(bytes, buffer_, buffered_, length_, [this](const unsigned char* b) { Block(b); });
}

std::string Sha1::Finish() {
  Pad(*this, length_);
  return BigEndianWords(h_);
}

void Sha1::Block(const unsigned char* block) {
  std::uint32_t w[80];
  for (int i = 0; i < 16; ++i) w[i] = BigEndian32(block + 4 * i);
  for (int i = 16; i < 80; ++i) w[i] = Rotl(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
  std::uint32_t a = h_[0], b = h_[1], c = h_[2], d = h_[3], e = h_[4];
  for (int i = 0; i < 80; ++i) {
    std::uint32_t f, k;
    if (i < 20) f = (b & c) | (~b & d), k = 0x5A827999;
    else if (i < 40) f = b ^ c ^ d, k = 0x6ED9EBA1;
    else if (i < 60) f = (b & c) | (b & d) | (c & d), k = 0x8F1BBCDC;
    else f = b ^ c ^ d, k = 0xCA62C1D6;
    const std::uint32_t t = Rotl(a, 5) + f + e + k + w[i];
    e = d, d = c, c = Rotl(b, 30), b = a, a = t;
  }
  h_[0] += a, h_[1] += b, h_[2] += c, h_[3] += d, h_[4] += e;
}

Sha256::Sha256()
    : h_{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19} {}

void Sha256::Update(std::string_view bytes) {
  Feed(bytes, buffer_, buffered_, length_, [this](const unsigned char* b) { Block(b); });
}

std::string Sha256::Finish() {
  Pad(*this, length_);
  return BigEndianWords(h_);
}

void Sha256::Block(const unsigned char* block) {
  std::uint32_t w[64];
  for (int i = 0; i < 16; ++i) w[i] = BigEndian32(block + 4 * i);
  for (int i = 16; i < 64; ++i) {
    const std::uint32_t s0 = Rotr(w[i - 15], 7) ^ Rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
    const std::uint32_t s1 = Rotr(w[i - 2], 17) ^ Rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
    w[i] = w[i - 16] + s0 + w[i - 7] + s1;
  }
  std::uint32_t a = h_[0], b = h_[1], c = h_[2], d = h_[3], e = h_[4], f = h_[5], g = h_[6], h = h_[7];
  for (int i = 0; i < 64; ++i) {
    const std::uint32_t t1 = h + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + ((e & f) ^ (~e & g)) + kSha256K[i] + w[i];
    const std::uint32_t t2 = (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
    h = g, g = f, f = e, e = d + t1, d = c, c = b, b = a, a = t1 + t2;
  }
  h_[0] += a, h_[1] += b, h_[2] += c, h_[3] += d, h_[4] += e, h_[5] += f, h_[6] += g, h_[7] += h;
}

std::string HexOf(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 15]);
  }
  return out;
}

}  // namespace kv::inspection
