// Contract of the profile-file operations, run against both twins.
#include "platform/profile.h"

#include <gtest/gtest.h>

#include <optional>

#include "tests/support/test_dir.h"

namespace kv::platform {
namespace {

using kv::test::PathText;
using kv::test::ReadFile;
using kv::test::TestDir;
using namespace std::string_literals;

struct Write {
  const char16_t* section;
  const char16_t* key;
  const char16_t* value;
};

struct WriteCase {
  const char* name;
  const char* before;  // nullptr: no file
  std::vector<Write> writes;
  const char* after;
};

const WriteCase kWriteCases[] = {
    {"FreshFileInOrder",
     nullptr,
     {{u"mendKit", u"defaultPath", u"C:\\Program Files\\My Libraries"},
      {u"mendKit", u"mkName", u"My MendKit"},
      {u"mendKit", u"mkDesc", u"One line\r\n"}},
     "[mendKit]\r\ndefaultPath=C:\\Program Files\\My Libraries\r\nmkName=My MendKit\r\nmkDesc=One "
     "line\r\n\r\n"},
    {"KeyReplacedInPlaceOtherLinesKept",
     "[mendKit]\r\ndefaultPath=C:\\Old\r\nmkName=Old\r\nmkDesc=Old first\r\nOld second\r\n",
     {{u"mendKit", u"defaultPath", u"C:\\New"},
      {u"mendKit", u"mkName", u"New"},
      {u"mendKit", u"mkDesc", u"Short"}},
     "[mendKit]\r\ndefaultPath=C:\\New\r\nmkName=New\r\nmkDesc=Short\r\nOld second\r\n"},
    {"MissingKeyAddedAtEndOfItsSection",
     "[a]\r\nx=1\r\n[b]\r\ny=2\r\n",
     {{u"a", u"z", u"3"}},
     "[a]\r\nx=1\r\nz=3\r\n[b]\r\ny=2\r\n"},
    {"MissingSectionAddedAtEnd", "[a]\r\nx=1\r\n", {{u"b", u"y", u"2"}}, "[a]\r\nx=1\r\n[b]\r\ny=2\r\n"},
    {"NamesMatchWithoutCase",
     "[MENDKIT]\r\nMKNAME=Old\r\n",
     {{u"mendKit", u"mkName", u"New"}},
     "[MENDKIT]\r\nMKNAME=New\r\n"},
    {"AnsiBytes", nullptr, {{u"s", u"k", u"Caf\u00e9 \u20ac"}}, "[s]\r\nk=Caf\xe9 \x80\r\n"},
};

class ProfileWrite : public ::testing::TestWithParam<WriteCase> {};

TEST_P(ProfileWrite, GivesTheseBytes) {
  const WriteCase& c = GetParam();
  TestDir dir;
  if (c.before) dir.Write("p.ini", c.before);
  const std::u16string file = PathText(dir / "p.ini");
  for (const Write& w : c.writes) ASSERT_TRUE(WriteProfileValue(file, w.section, w.key, w.value));
  EXPECT_EQ(ReadFile(dir / "p.ini"), c.after);
}

INSTANTIATE_TEST_SUITE_P(Cases, ProfileWrite, ::testing::ValuesIn(kWriteCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct ReadCase {
  const char* name;
  std::optional<std::string> content;  // nothing: no file
  const char16_t* section;
  const char16_t* key;
  std::u16string expected;
};

const ReadCase kReadCases[] = {
    {"Value", "[mendKit]\r\nmkName=Tools\r\n", u"mendKit", u"mkName", u"Tools"},
    {"MissingFileGivesFallback", std::nullopt, u"mendKit", u"mkName", u"(fallback)"},
    {"MissingSectionGivesFallback", "[other]\r\nmkName=Tools\r\n", u"mendKit", u"mkName", u"(fallback)"},
    {"MissingKeyGivesFallback", "[mendKit]\r\nmkDesc=x\r\n", u"mendKit", u"mkName", u"(fallback)"},
    {"EmptyValueIsNoFallback", "[mendKit]\r\nmkName=\r\n", u"mendKit", u"mkName", u""},
    {"OnlyTheFirstLineOfAValue", "[mendKit]\r\nmkDesc=First\r\nSecond\r\n", u"mendKit", u"mkDesc", u"First"},
    {"KeyOfAnotherSectionIgnored", "[a]\r\nk=1\r\n[b]\r\nk=2\r\n", u"b", u"k", u"2"},
    {"BlanksAndQuotesRemoved", "[s]\r\n  k  =  \"quoted value\"  \r\n", u"s", u"k", u"quoted value"},
    {"CaseOfNamesIgnored", "[MendKit]\r\nMKNAME=Tools\r\n", u"mendkit", u"mkname", u"Tools"},
    {"AnsiDecoded", "[s]\r\nk=Caf\xe9\r\n", u"s", u"k", u"Caf\u00e9"},
    {"LineFeedOnlyFile", "[s]\nk=v\n", u"s", u"k", u"v"},
    {"Utf16File", "\xff\xfe[\0s\0]\0\r\0\n\0k\0=\0\xac\x20\r\0\n\0"s, u"s", u"k", u"\u20ac"},
};

class ProfileRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ProfileRead, GivesThisValue) {
  const ReadCase& c = GetParam();
  TestDir dir;
  if (c.content) dir.Write("p.ini", *c.content);
  EXPECT_EQ(ReadProfileValue(PathText(dir / "p.ini"), c.section, c.key, u"(fallback)", 2048), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ProfileRead, ::testing::ValuesIn(kReadCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Profile, ValueCutToBufferCapacity) {
  TestDir dir;
  const std::u16string file = PathText(dir / "p.ini");
  ASSERT_TRUE(WriteProfileValue(file, u"s", u"k", std::u16string(3000, u'x')));
  EXPECT_EQ(ReadProfileValue(file, u"s", u"k", u"", 2048), std::u16string(2047, u'x'));
}

TEST(Profile, Utf16FileStaysUtf16) {
  TestDir dir;
  dir.Write("p.ini", std::string("\xff\xfe[\0s\0]\0\r\0\n\0", 12));
  const std::u16string file = PathText(dir / "p.ini");
  ASSERT_TRUE(WriteProfileValue(file, u"s", u"k", u"\u20ac"));
  EXPECT_EQ(ReadFile(dir / "p.ini"), std::string("\xff\xfe[\0s\0]\0\r\0\n\0k\0=\0\xac\x20\r\0\n\0", 22));
}

TEST(Profile, WriteIntoMissingFolderFails) {
  TestDir dir;
  EXPECT_FALSE(WriteProfileValue(PathText(dir / "missing" / "p.ini"), u"s", u"k", u"v"));
}

}  // namespace
}  // namespace kv::platform
