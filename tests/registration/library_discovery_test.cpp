#include "registration/library_discovery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/file_system.h"
#include "platform/find_files.h"
#include "platform/unicode.h"
#include "tests/support/scripted_controls.h"
#include "tests/support/test_dir.h"

namespace kv::registration {
namespace {

using test::StrictCheckList;
using test::TestDir;
using Names = std::vector<std::u16string>;

Names ListedBy(const std::u16string& pattern) {
  Names names;
  for (const auto& f : platform::FindFiles(pattern, platform::kAllAttributes)) names.push_back(f.name);
  return names;
}

TEST(FindLibraries, DllNamesComeFirstInFileSystemOrderThenOcxNames) {
  TestDir dir;
  for (const char* name : {"b.ocx", "a.dll", "c.dll", "notes.txt", "z.ocx"}) dir.Write(name, "x");
  const std::u16string folder = dir.text() + u"\\";
  StrictCheckList list;
  FindLibraries(folder, list);

  // Exactly the platform's own order for each group, unsorted, .dll before .ocx.
  Names expected = ListedBy(folder + u"*.dll");
  const Names ocx = ListedBy(folder + u"*.ocx");
  expected.insert(expected.end(), ocx.begin(), ocx.end());
  EXPECT_EQ(list.Names(), expected);
  ASSERT_EQ(list.Count(), 4);
  Names dlls(expected.begin(), expected.begin() + 2);
  std::sort(dlls.begin(), dlls.end());
  EXPECT_EQ(dlls, (Names{u"a.dll", u"c.dll"}));
  for (int i = 0; i < list.Count(); ++i) EXPECT_FALSE(list.Checked(i));
}

TEST(FindLibraries, AppendsWithoutClearing) {
  TestDir dir;
  dir.Write("a.dll", "x");
  StrictCheckList list;
  list.Add(u"earlier.dll");
  FindLibraries(dir.text() + u"\\", list);
  EXPECT_EQ(list.Names(), (Names{u"earlier.dll", u"a.dll"}));
}

TEST(FindLibraries, ListsHiddenAndReadOnlyFilesButNoFolders) {
  TestDir dir;
  // Leading dots keep them hidden on POSIX file systems without extended attributes too.
  dir.Write(".x.dll", "x");
  dir.Write("y.ocx", "x");
  std::filesystem::create_directory(dir / "old.dll");
  std::filesystem::create_directory(dir / ".hidden folder.ocx");
  const std::u16string folder = dir.text() + u"\\";
  ASSERT_TRUE(platform::SetFileAttributesAt(folder + u".x.dll", platform::kAttrHidden));
  ASSERT_TRUE(platform::SetFileAttributesAt(folder + u"y.ocx", platform::kAttrReadOnly));
  // A folder with more than the directory bit is still no library.
  ASSERT_TRUE(platform::SetFileAttributesAt(folder + u".hidden folder.ocx", platform::kAttrHidden));

  StrictCheckList list;
  FindLibraries(folder, list);
  EXPECT_EQ(list.Names(), (Names{u".x.dll", u"y.ocx"}));
  platform::SetFileAttributesAt(folder + u"y.ocx", platform::kAttrNormal);
}

TEST(FindLibraries, MissingOrEmptyFolderAddsNothing) {
  TestDir dir;
  StrictCheckList list;
  FindLibraries(dir.text() + u"\\", list);
  FindLibraries(dir.text() + u"\\missing\\", list);
  std::vector<std::u16string> names;
  FindLibraries(dir.text() + u"\\missing", names);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_TRUE(names.empty());
}

TEST(FindLibraries, InstallerVariantTakesFolderWithoutBackslash) {
  TestDir dir;
  dir.Write("b.ocx", "x");
  dir.Write("a.dll", "x");
  std::vector<std::u16string> names;
  FindLibraries(dir.text(), names);
  EXPECT_EQ(names, (Names{u"a.dll", u"b.ocx"}));
  // With a trailing backslash the patterns hold two in a row, which the file search accepts.
  names.clear();
  FindLibraries(dir.text() + u"\\", names);
  EXPECT_EQ(names, (Names{u"a.dll", u"b.ocx"}));
}

struct ListedCase {
  const char* name;
  bool folder;
  bool listed;
};

// Under Wine the masks really match "lib.dllx" and "x.dll_old" through their 8.3 short names.
const ListedCase kListedCases[] = {
    {"a.dll", false, true},     {"UPPER.DLL", false, true},  {"Mixed.Ocx", false, true},
    {"lib.dllx", false, false}, {"x.dll_old", false, false}, {"w.ocx1", false, false},
    {"sub.dll", true, false},
};

TEST(FindLibraries, KeepsOnlyFilesWhoseLongNameEndsInDllOrOcx) {
  TestDir dir;
  for (const auto& c : kListedCases) {
    if (c.folder)
      std::filesystem::create_directory(dir / c.name);
    else
      dir.Write(c.name, "x");
  }
  StrictCheckList list;
  FindLibraries(dir.text() + u"\\", list);
  Names installer;
  FindLibraries(dir.text(), installer);
  for (const auto& c : kListedCases) {
    SCOPED_TRACE(c.name);
    const std::u16string name = platform::Utf8ToUtf16(c.name);
    const Names& tool = list.Names();
    EXPECT_EQ(std::count(tool.begin(), tool.end(), name), c.listed ? 1 : 0);
    EXPECT_EQ(std::count(installer.begin(), installer.end(), name), c.listed ? 1 : 0);
  }
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(installer.size(), 3u);
}

TEST(AnyEntryChecked, TrueOnlyWithATick) {
  StrictCheckList list;
  EXPECT_FALSE(AnyEntryChecked(list));
  list.Add(u"a.dll");
  list.Add(u"b.ocx");
  EXPECT_FALSE(AnyEntryChecked(list));
  list.SetChecked(1, true);
  EXPECT_TRUE(AnyEntryChecked(list));
}

struct MatchCase {
  const char* name;
  std::u16string search;
  int selected;
};

const MatchCase kMatchCases[] = {
    {"prefix_any_case", u"GR", 1},
    {"first_of_several", u"g", 1},
    {"empty_selects_first", u"", 0},
    {"whole_name", u"grid32.OCX", 1},
    {"longer_than_name", u"Grid32.ocxx", -1},
    {"no_match", u"zzz", -1},
    {"middle_is_no_prefix", u"rid", -1},
};

TEST(SelectFirstMatch, SelectsFirstEntryBeginningWithText) {
  for (const auto& c : kMatchCases) {
    SCOPED_TRACE(c.name);
    StrictCheckList list;
    for (const char16_t* name : {u"Alpha.dll", u"Grid32.ocx", u"grid64.dll"}) list.Add(name);
    list.SetChecked(2, true);
    list.SetSelectedIndex(2);
    SelectFirstMatch(list, c.search);
    EXPECT_EQ(list.SelectedIndex(), c.selected);
    EXPECT_EQ(list.Names(), (Names{u"Alpha.dll", u"Grid32.ocx", u"grid64.dll"}));
    EXPECT_TRUE(list.Checked(2));
    EXPECT_FALSE(list.Checked(1));
  }
}

TEST(SelectFirstMatch, EmptyListSelectsNothing) {
  StrictCheckList list;
  SelectFirstMatch(list, u"");
  EXPECT_EQ(list.SelectedIndex(), -1);
}

}  // namespace
}  // namespace kv::registration
