#include "platform/code_pages.h"

#include <gtest/gtest.h>

namespace kv::platform {
namespace {

// Both twins must agree byte for byte on an English system (Windows-1252 / code page 437).
class CodePages : public ::testing::Test {
 protected:
  void SetUp() override {
    if (AnsiCodePage() != 1252 || OemCodePage() != 437) GTEST_SKIP() << "system code pages are not 1252/437";
  }
};

struct Case {
  const char* name;
  std::u16string text;
  std::string ansi;
  std::string oem;
};

const Case kCases[] = {
    {"ascii", u"Grid32.ocx", "Grid32.ocx", "Grid32.ocx"},
    {"latin", u"\u00e9t\u00e9 \u00c4", "\xE9t\xE9 \xC4", "\x82t\x82 \x8E"},
    {"euro_and_quotes", u"\u20ac\u201c", "\x80\x93", "??"},
    {"box_drawing", u"\u2500\u2591", "??", "\xC4\xB0"},
    {"no_best_fit", u"\u0101", "?", "?"},  // a with macron is not turned into 'a'
    {"cyrillic", u"\u0416", "?", "?"},
    {"surrogate_pair", u"a\U0001F600b", "a??b", "a??b"},
    {"lone_surrogate", u"a\xD800", "a?", "a?"},
    {"empty", u"", "", ""},
};

TEST_F(CodePages, EncodesEachCharacterToOneByteOrQuestionMark) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ToAnsi(c.text), c.ansi);
    EXPECT_EQ(ToOem(c.text), c.oem);
  }
}

TEST_F(CodePages, EveryByteDecodesToOneUnitAndRoundTrips) {
  for (int b = 0; b < 256; ++b) {
    SCOPED_TRACE(b);
    const std::string byte(1, static_cast<char>(b));
    const std::u16string ansi = FromAnsi(byte);
    const std::u16string oem = FromOem(byte);
    ASSERT_EQ(ansi.size(), 1u);
    ASSERT_EQ(oem.size(), 1u);
    if (b < 0x80) {
      EXPECT_EQ(ansi[0], b);
      EXPECT_EQ(oem[0], b);
    }
    EXPECT_EQ(ToAnsi(ansi), byte);
    EXPECT_EQ(ToOem(oem), byte);
  }
}

TEST_F(CodePages, KnownUpperBytes) {
  EXPECT_EQ(FromAnsi("\x80\x81\x9F\xFF"), u"\u20ac\u0081\u0178\u00ff");
  EXPECT_EQ(FromOem("\x80\x9B\xE1\xFF"), u"\u00c7\u00a2\u00df\u00a0");
}

}  // namespace
}  // namespace kv::platform
