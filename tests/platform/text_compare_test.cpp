#include "platform/text_compare.h"

#include <gtest/gtest.h>

namespace kv::platform {
namespace {

struct Case {
  const char16_t* text;
  const char16_t* prefix;
  bool starts;
};

constexpr Case kCases[] = {
    {u"Grid32.ocx", u"GR", true},
    {u"Grid32.ocx", u"gRiD32.OCX", true},
    {u"Grid32.ocx", u"", true},
    {u"Grid32.ocx", u"rid", false},
    {u"Gr", u"Grid", false},
    {u"", u"", true},
    {u"\u00c9cran.dll", u"\u00e9", true},
    {u"\u0416\u0443\u043a.dll", u"\u0436\u0423", true},
    {u"abc", u"abd", false},
};

TEST(TextCompare, StartsWithIgnoringCase) {
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::u16string(c.text).size());
    EXPECT_EQ(StartsWithIgnoringCase(c.text, c.prefix), c.starts);
  }
}

}  // namespace
}  // namespace kv::platform
