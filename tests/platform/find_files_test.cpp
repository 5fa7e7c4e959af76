#include "platform/find_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "platform/file_system.h"
#include "platform/unicode.h"
#include "tests/support/test_dir.h"

namespace kv::platform {
namespace {

using kv::test::PathText;
using kv::test::TestDir;

std::vector<std::u16string> Names(const std::vector<FoundFile>& found) {
  std::vector<std::u16string> names;
  for (const auto& f : found) names.push_back(f.name);
  return names;
}

std::vector<std::u16string> Sorted(std::vector<std::u16string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

TEST(FindFiles, MatchesMaskCaseInsensitivelyAndLeavesOtherNames) {
  TestDir dir;
  for (const char* name : {"a.dll", "B.DLL", "c.ocx", "dll", "e.dl"}) dir.Write(name, "x");
  const std::u16string folder = dir.text() + u"\\";
  EXPECT_EQ(Sorted(Names(FindFiles(folder + u"*.dll", kAllAttributes))),
            (std::vector<std::u16string>{u"B.DLL", u"a.dll"}));
  EXPECT_EQ(Names(FindFiles(folder + u"?.ocx", kAllAttributes)), std::vector<std::u16string>{u"c.ocx"});
  EXPECT_TRUE(FindFiles(folder + u"*.zip", kAllAttributes).empty());
}

TEST(FindFiles, MissingFolderGivesNothing) {
  TestDir dir;
  EXPECT_TRUE(FindFiles(dir.text() + u"\\missing\\*.dll", kAllAttributes).empty());
  EXPECT_TRUE(FindFiles(dir.text() + u"\\missing\\\\*.dll", kAllAttributes).empty());
}

TEST(FindFiles, FolderListingProblemTellsAnUnreadableFolderFromAnEmptyOne) {
  TestDir dir;
  std::filesystem::create_directory(dir / "empty");
  std::filesystem::create_directory(dir / "full");
  dir.Write("full/a.dll", "x");
  dir.Write("file.dll", "x");
  for (const std::u16string& folder : {dir.text() + u"\\empty\\", dir.text() + u"\\full\\", std::u16string(u"Z:\\")}) {
    SCOPED_TRACE(Utf16ToUtf8(folder));
    EXPECT_EQ(FolderListingProblem(folder), std::nullopt);
  }
  for (const std::u16string& folder : {dir.text() + u"\\missing\\", dir.text() + u"\\file.dll\\"}) {
    SCOPED_TRACE(Utf16ToUtf8(folder));
    const auto problem = FolderListingProblem(folder);
    ASSERT_TRUE(problem.has_value());
    EXPECT_FALSE(problem->empty());
    EXPECT_NE(problem->back(), u'.');  // the caller puts it into a sentence of its own
    EXPECT_TRUE(FindFiles(folder + u"*.dll", kAllAttributes).empty());
  }
}

TEST(FindFiles, ReportsAttributesAndFiltersAsRequested) {
  TestDir dir;
  // A leading dot keeps it hidden on POSIX file systems without extended attributes too.
  dir.Write(".hidden.dll", "x");
  dir.Write("readonly.dll", "x");
  dir.Write("plain.dll", "x");
  std::filesystem::create_directory(dir / "old.dll");
  const std::u16string folder = dir.text() + u"\\";
  ASSERT_TRUE(SetFileAttributesAt(folder + u".hidden.dll", kAttrHidden));
  ASSERT_TRUE(SetFileAttributesAt(folder + u"readonly.dll", kAttrReadOnly));

  std::vector<FoundFile> all = FindFiles(folder + u"*.dll", kAllAttributes);
  ASSERT_EQ(all.size(), 4u);
  const auto attributes_of = [&](std::u16string_view name) {
    const auto it = std::find_if(all.begin(), all.end(), [&](const FoundFile& f) { return f.name == name; });
    return it == all.end() ? 0xFFFFFFFFu : it->attributes;
  };
  EXPECT_EQ(attributes_of(u"old.dll"), kAttrDirectory);
  EXPECT_TRUE(attributes_of(u".hidden.dll") & kAttrHidden);
  EXPECT_TRUE(attributes_of(u"readonly.dll") & kAttrReadOnly);
  EXPECT_EQ(attributes_of(u"plain.dll") & (kAttrHidden | kAttrDirectory | kAttrReadOnly), 0u);
  // Without the hidden and directory bits in the filter those entries stay out.
  EXPECT_EQ(Sorted(Names(FindFiles(folder + u"*.dll", 0))),
            (std::vector<std::u16string>{u"plain.dll", u"readonly.dll"}));
  SetFileAttributesAt(folder + u"readonly.dll", kAttrNormal);
}

TEST(FindFiles, DoubledSeparatorBeforeMaskStillFindsFiles) {
  TestDir dir;
  dir.Write("a.dll", "x");
  EXPECT_EQ(Names(FindFiles(dir.text() + u"\\\\*.dll", kAllAttributes)),
            std::vector<std::u16string>{u"a.dll"});
}

std::map<std::u16string, FoundFile> ByName(const std::vector<FoundFile>& found) {
  std::map<std::u16string, FoundFile> map;
  for (const auto& f : found) map[f.name] = f;
  return map;
}

TEST(FindFiles, ListsFilesWithSizesAndFoldersOnlyWhenAsked) {
  TestDir dir;
  dir.Write("a.bin", std::string(70000, 'x'));
  dir.Write("empty.txt", "");
  dir.Write("sub/inner.bin", "12345");
  const std::u16string all = dir.text() + u"\\*.*";

  auto files = ByName(FindFiles(all, 0));
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[u"a.bin"].size, 70000u);
  EXPECT_EQ(files[u"empty.txt"].size, 0u);
  EXPECT_FALSE(files[u"a.bin"].IsFolder());

  auto with_folders = ByName(FindFiles(all, 0x10));
  ASSERT_EQ(with_folders.count(u"sub"), 1u);
  EXPECT_TRUE(with_folders[u"sub"].IsFolder());
  EXPECT_EQ(with_folders[u"sub"].size, 0u);

  auto masked = ByName(FindFiles(dir.text() + u"\\*.BIN", 0x10));
  EXPECT_EQ(masked.size(), 1u);
  EXPECT_EQ(masked.count(u"a.bin"), 1u);
}

TEST(FindFiles, StarDotStarAlsoMatchesNamesWithoutADot) {
  TestDir dir;
  for (const char* name : {"noext", "a.txt"}) dir.Write(name, "x");
  EXPECT_EQ(Sorted(Names(FindFiles(dir.text() + u"\\*.*", 0))),
            (std::vector<std::u16string>{u"a.txt", u"noext"}));
}

TEST(FindFiles, MissingFolderGivesNothingForStarDotStar) {
  TestDir dir;
  EXPECT_TRUE(FindFiles(dir.text() + u"\\missing\\*.*", 0x1FF).empty());
}

}  // namespace
}  // namespace kv::platform
