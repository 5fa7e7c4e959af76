// The stand-in's one wildcard matcher, behind FindFiles and ShellDeleteFiles.
#include "platform/posix/wildcard.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/unicode.h"

namespace kv::platform::posix {
namespace {

struct WildcardCase {
  const char* name;
  const char16_t* file;
  const char16_t* mask;
  bool as_written;         // DotStar::AsWritten
  bool also_no_extension;  // DotStar::AlsoNoExtension
};

constexpr WildcardCase kCases[] = {
    {"StarMatchesAnyRun", u"library.dll", u"*.dll", true, true},
    {"StarMatchesNothingToo", u".dll", u"*.dll", true, true},
    {"QuestionMarkIsExactlyOne", u"a.ocx", u"?.ocx", true, true},
    {"QuestionMarkNeedsOne", u".ocx", u"?.ocx", false, false},
    {"AsciiCaseIgnored", u"B.DLL", u"*.dll", true, true},
    {"OtherCharactersAsThemselves", u"a.dl", u"*.dll", false, false},
    {"StarsBacktrack", u"abcabd", u"*ab*d", true, true},
    {"StarInANameIsNoWildcard", u"*x", u"*", true, true},
    {"StarDotStarNeedsADotAsWritten", u"noext", u"*.*", false, true},
    {"FinalDotStarAlsoWithoutExtension", u"readme", u"read*.*", false, true},
    {"DotStarOnlyAtTheEnd", u"ab", u"a.*b", false, false},
    {"EmptyMaskMatchesNothing", u"a", u"", false, false},
};

class Wildcard : public ::testing::TestWithParam<WildcardCase> {};

TEST_P(Wildcard, MatchesAsWindowsDoes) {
  const WildcardCase& c = GetParam();
  EXPECT_EQ(MatchesWildcard(c.file, c.mask, DotStar::AsWritten), c.as_written);
  EXPECT_EQ(MatchesWildcard(c.file, c.mask, DotStar::AlsoNoExtension), c.also_no_extension);
}

INSTANTIATE_TEST_SUITE_P(Cases, Wildcard, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kv::platform::posix
