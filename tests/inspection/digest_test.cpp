// SHA-1 and SHA-256 against the published test vectors, fed whole and in odd pieces.
#include "inspection/digest.h"

#include <gtest/gtest.h>

#include <string>

namespace kv::inspection {
namespace {

struct Vector {
  const char* name;
  std::string message;
  const char* sha1;
  const char* sha256;
};

const Vector kVectors[] = {
    {"Empty", "", "da39a3ee5e6b4b0d3255bfef95601890afd80709",
     "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
    {"Abc", "abc", "a9993e364706816aba3e25717850c26c9cd0d89d",
     "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    // 56 bytes: the length no longer fits the first block's padding.
    {"TwoBlocks", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
     "84983e441c3bd26ebaae4aa1f95129e5e54670f1",
     "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
    {"MillionA", std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f",
     "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
};

class DigestVectors : public ::testing::TestWithParam<Vector> {};

template <typename Hash>
std::string InPieces(const std::string& message, std::size_t piece) {
  Hash hash;
  for (std::size_t at = 0; at < message.size(); at += piece) hash.Update(std::string_view(message).substr(at, piece));
  return HexOf(hash.Finish());
}

TEST_P(DigestVectors, MatchWholeAndInPieces) {
  const Vector& v = GetParam();
  for (const std::size_t piece : {std::size_t{1000000}, std::size_t{1}, std::size_t{63}, std::size_t{65}}) {
    if (piece == 1 && v.message.size() > 1000) continue;
    EXPECT_EQ(InPieces<Sha1>(v.message, piece), v.sha1) << "pieces of " << piece;
    EXPECT_EQ(InPieces<Sha256>(v.message, piece), v.sha256) << "pieces of " << piece;
  }
}

INSTANTIATE_TEST_SUITE_P(Published, DigestVectors, ::testing::ValuesIn(kVectors),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kv::inspection
