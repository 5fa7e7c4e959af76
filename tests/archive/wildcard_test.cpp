#include "archive/wildcard.h"

#include <gtest/gtest.h>

#include "platform/unicode.h"

namespace kv::archive {
namespace {

struct WildcardCase {
  const char16_t* text;
  const char16_t* pattern;
  bool matches;
};

constexpr WildcardCase kWildcardCases[] = {
    {u"a", u"a*", true},            // a trailing "*" also stands for nothing
    {u"", u"*x", false},            // a "*" is never tried against an empty rest
    {u"a", u"a**", false},          // "**" is not a trailing "*"
    {u"ab", u"a**", true},
    {u"readme", u"*.*", true},      // "*.*" matches names without a dot
    {u"", u"*.*", true},
    {u"", u"*", true},
    {u"", u"", true},
    {u"a", u"", false},
    {u"", u"?", false},
    {u"x", u"*x", true},
    {u"axbx", u"*x", true},
    {u"axb", u"*x", false},
    {u"lib.DLL", u"*.dll", true},   // A-Z without regard to case
    {u"\u00c4.txt", u"\u00e4.txt", false},  // other letters must be equal
    {u"a.b.c", u"*.c", true},
    {u"abc", u"a?c", true},
    {u"ac", u"a?c", false},
    {u"abc", u"ab", false},         // the pattern is used up while text remains
    {u"sub/x.ini", u"*.ini", true}, // "*" crosses separators
    {u"mendkit.ini", u"MENDKIT.INI", true},
};

TEST(WildcardMatch, FollowsTheEngineRules) {
  for (const auto& c : kWildcardCases) {
    EXPECT_EQ(WildcardMatch(c.text, c.pattern), c.matches)
        << platform::Utf16ToUtf8(c.text) << " vs " << platform::Utf16ToUtf8(c.pattern);
  }
}

}  // namespace
}  // namespace kv::archive
