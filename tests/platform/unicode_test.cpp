#include "platform/unicode.h"

#include <gtest/gtest.h>

namespace kv::platform {
namespace {

TEST(Unicode, RoundTripsAcrossPlanes) {
  const std::u16string text = u"a\u00e9\u20ac\U0001F600z";
  const std::string utf8 = Utf16ToUtf8(text);
  EXPECT_EQ(utf8, "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z");
  EXPECT_EQ(Utf8ToUtf16(utf8), text);
  EXPECT_TRUE(IsValidUtf8(utf8));
}

TEST(Unicode, MalformedInputBecomesReplacementCharacter) {
  struct Case {
    const char* bytes;
    std::u16string expected;
  };
  const Case cases[] = {
      {"\xC3", u"\uFFFD"},           // truncated sequence
      {"\xC0\xAF", u"\uFFFD\uFFFD"}, // overlong "/"
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // encoded surrogate
      {"a\x80z", u"a\uFFFDz"},       // stray continuation byte
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8ToUtf16(c.bytes), c.expected) << c.bytes;
    EXPECT_FALSE(IsValidUtf8(c.bytes));
  }
}

}  // namespace
}  // namespace kv::platform
