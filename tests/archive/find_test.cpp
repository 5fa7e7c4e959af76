#include <gtest/gtest.h>

#include "tests/archive/extract_fixture.h"

namespace kv::archive::test {
namespace {

const std::vector<Member> kEntries = {
    {"mendkit.ini", "m"},
    {"lib.dll", "l"},
    {"README", "r"},
    {"sub/", "", kMethodStored, kAttrDirectory},
    {"sub/mendkit.ini", "s"},
    {"sub/x.dll", "x"},
    {"hidden.dll", "h", kMethodDeflate, kAttrArchive | 0x02},
    {"dir.v2/notes", "n"},
};

struct FindCase {
  const char* label;
  const char16_t* mask;
  std::uint32_t attr;
  const char16_t* exclusion;
  bool recurse;
  std::vector<std::u16string> found;  // FileName fields in directory order
};

const FindCase kFindCases[] = {
    {"PlainNameAlsoInSubFolder", u"mendkit.ini", 10431, u"", true, {u"mendkit.ini", u"mendkit.ini"}},
    {"CapitalsFindLowerCase", u"MENDKIT.INI", 10431, u"", true, {u"mendkit.ini", u"mendkit.ini"}},
    {"LookupWithoutRecurse", u"mendkit.ini", 10431, u"", false, {u"mendkit.ini"}},
    {"LookupOfSubFolderName", u"sub\\mendkit.ini", 10431, u"", false, {u"mendkit.ini"}},
    {"DriveInFrontIgnored", u"C:*.ini", 10431, u"", true, {u"mendkit.ini", u"mendkit.ini"}},
    {"StarDotStarFindsAll", u"*.*", 10431, u"", true,
     {u"mendkit.ini", u"lib.dll", u"README", u"sub", u"mendkit.ini", u"x.dll", u"hidden.dll", u"notes"}},
    {"StarDotOnlyWithoutExtension", u"*.", 10431, u"", true, {u"README", u"sub", u"notes"}},
    {"AttributesZeroSkipHiddenAndFolders", u"*.*", 0, u"", true,
     {u"mendkit.ini", u"lib.dll", u"README", u"mendkit.ini", u"x.dll", u"notes"}},
    {"ExclusionOnWholeName", u"*.dll", 10431, u"x.dll", true, {u"lib.dll", u"x.dll", u"hidden.dll"}},
    {"ExclusionWithFolder", u"*.dll", 10431, u"sub/*", true, {u"lib.dll", u"hidden.dll"}},
    {"WildcardsStayInFolderWithoutRecurse", u"*.dll", 10431, u"", false, {u"lib.dll", u"hidden.dll"}},
    {"SubFolderMaskWithBackslash", u"sub\\*.dll", 10431, u"", false, {u"x.dll"}},
    {"NothingFound", u"*.exe", 10431, u"", true, {}},
};

class Find : public ::testing::TestWithParam<FindCase> {};

TEST_P(Find, WalksTheMatchingEntries) {
  const FindCase& c = GetParam();
  kv::test::TestDir dir;
  OpenedArchive a(dir, MakeZip(kEntries));
  a.zip.Options().SetRecurse(c.recurse);
  std::vector<std::u16string> found;
  TKZArchiveItem f;
  for (bool more = a.zip.FindFirst(c.mask, f, c.attr, c.exclusion); more; more = a.zip.FindNext(f))
    found.push_back(f.FileName);
  EXPECT_EQ(found, c.found);
  EXPECT_FALSE(a.zip.FindNext(f)) << "FindNext after the last match";
}

INSTANTIATE_TEST_SUITE_P(Cases, Find, ::testing::ValuesIn(kFindCases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(FindRecord, DescribesTheEntry) {
  kv::test::TestDir dir;
  Member m{"sub/deep/file.txt", std::string(1000, 'a')};
  m.attributes = kAttrArchive | 0x01;
  OpenedArchive a(dir, MakeZip({m, {"empty.txt", "", kMethodStored}}));
  TKZArchiveItem f;
  ASSERT_TRUE(a.zip.FindFirst(u"file.txt", f, 10431, u""));
  EXPECT_EQ(f.FileName, u"file.txt");
  EXPECT_EQ(f.StoredPath, u"sub\\deep\\");
  EXPECT_EQ(f.UncompressedSize, 1000);
  EXPECT_EQ(f.CompressedSize, static_cast<std::int64_t>(RawDeflate(m.data).size()));
  EXPECT_NEAR(f.CompressionRate, (1.0 - f.CompressedSize / 1000.0) * 100.0, 1e-9);
  EXPECT_EQ(f.CRC, static_cast<std::int32_t>(Crc32(m.data)));
  EXPECT_EQ(f.ExternalFileAttributes, kAttrArchive | 0x01u);
  EXPECT_EQ(f.LastModFileDate, 0x5A21);
  EXPECT_EQ(f.LastModFileTime, 0x6000);
  EXPECT_EQ(f.Handle.ItemNo, 0);
  ASSERT_TRUE(a.zip.FindFirst(u"empty.txt", f, 10431, u""));
  EXPECT_EQ(f.CompressionRate, 100.0) << "an empty entry";
  EXPECT_EQ(f.StoredPath, u"");
}

TEST(FindRecord, MaskListFormUsesFileMasksAndExclusions) {
  kv::test::TestDir dir;
  OpenedArchive a(dir, MakeZip(kEntries));
  a.zip.FileMasks() = {u"*.dll", u"README"};
  a.zip.ExclusionMasks() = {u"sub\\*"};
  std::vector<std::u16string> found;
  TKZArchiveItem f;
  for (bool more = a.zip.FindFirst(f); more; more = a.zip.FindNext(f)) found.push_back(f.FileName);
  EXPECT_EQ(found, (std::vector<std::u16string>{u"lib.dll", u"README", u"hidden.dll"}));
}

TEST(FindRecord, OverlongMaskFindsNothing) {
  kv::test::TestDir dir;
  OpenedArchive a(dir, MakeZip(kEntries));
  TKZArchiveItem f;
  EXPECT_FALSE(a.zip.FindFirst(std::u16string(300, u'*'), f, 10431, u""));
}

}  // namespace
}  // namespace kv::archive::test
