#include "archive/crc32.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>

namespace kv::archive {
namespace {

struct KnownCrc {
  const char* text;
  std::uint32_t crc;
};

constexpr KnownCrc kKnown[] = {
    {"", 0x00000000},
    {"a", 0xE8B7BE43},
    {"123456789", 0xCBF43926},
    {"The quick brown fox jumps over the lazy dog", 0x414FA339},
};

TEST(Crc32, MatchesPublishedCheckValues) {
  for (const KnownCrc& k : kKnown) EXPECT_EQ(Crc32(k.text), k.crc) << '"' << k.text << '"';
}

TEST(Crc32, ByteStepsBufferStepsAndZlibAgreeOnRandomData) {
  std::mt19937 random(7);
  for (std::size_t size : {1u, 3u, 255u, 256u, 4097u, 65536u}) {
    std::string data(size, '\0');
    for (char& c : data) c = static_cast<char>(random());
    std::uint32_t bytewise = kCrc32Initial;
    for (char c : data) bytewise = UpdateCrc32(bytewise, static_cast<std::uint8_t>(c));
    const auto zlib = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
    EXPECT_EQ(~bytewise, zlib) << size;
    EXPECT_EQ(Crc32(data), zlib) << size;
  }
}

TEST(Crc32, RunningValueContinuesAcrossBlocks) {
  const std::string data = "first block|second block|third";
  std::uint32_t running = kCrc32Initial;
  running = UpdateCrc32(running, data.data(), 11);
  running = UpdateCrc32(running, data.data() + 11, data.size() - 11);
  EXPECT_EQ(~running, Crc32(data));
}

TEST(Crc32, PiecesCombineIntoTheWholeValue) {
  std::mt19937 random(11);
  std::string data(200000, '\0');
  for (char& c : data) c = static_cast<char>(random());
  for (std::size_t cut : {0u, 1u, 7u, 65536u, 199999u, 200000u}) {
    const std::string_view whole(data);
    EXPECT_EQ(CombineCrc32(Crc32(whole.substr(0, cut)), Crc32(whole.substr(cut)), whole.size() - cut), Crc32(whole))
        << cut;
  }
}

}  // namespace
}  // namespace kv::archive
