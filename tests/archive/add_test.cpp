// Selecting files for an add: masks, attribute filter, recursion, exclusions (the archive's
// own file always), no-compression masks, overwrite modes and the add events.
#include <gtest/gtest.h>

#include <set>

#include "archive/dir_manager.h"
#include "archive/errors.h"
#include "platform/file_system.h"
#include "tests/archive/commit_test_support.h"

namespace kv::archive::test {
namespace {

using kv::test::PathText;
using kv::test::ReadFile;
using kv::test::TestDir;
namespace fs = std::filesystem;

std::set<std::string> Names(const fs::path& archive) {
  std::set<std::string> names;
  for (const auto& x : ReadWritten(ReadFile(archive)).entries) names.insert(x.name);
  return names;
}

struct SelectionCase {
  const char* name;
  const char16_t* mask;  // "<src>" stands for the source folder
  std::uint32_t attr;
  bool recurse;
  const char16_t* exclusion;
  std::set<std::string> expected;
};

constexpr std::uint32_t kFilesOnly = kDefaultSearchAttr & ~kAttrDirectory;

const SelectionCase kSelections[] = {
    {"EverythingWithFolders", u"*.*", kDefaultSearchAttr, true, u"",
     {"top.dll", "top.txt", "noext", "sub/", "sub/inner.dll", "sub/deep/", "sub/deep/d.dll"}},
    {"MatchingFoldersAreScannedWithoutRecurse", u"*.*", kDefaultSearchAttr, false, u"",
     {"top.dll", "top.txt", "noext", "sub/", "sub/inner.dll", "sub/deep/", "sub/deep/d.dll"}},
    {"FilesOnlyRecursive", u"*.*", kFilesOnly, true, u"",
     {"top.dll", "top.txt", "noext", "sub/inner.dll", "sub/deep/d.dll"}},
    {"FilesOnlyTopFolder", u"*.*", kFilesOnly, false, u"", {"top.dll", "top.txt", "noext"}},
    {"ExtensionMaskRecursive", u"*.dll", kDefaultSearchAttr, true, u"",
     {"top.dll", "sub/inner.dll", "sub/deep/d.dll"}},
    {"MaskWithAFolder", u"sub\\*.dll", kDefaultSearchAttr, true, u"", {"sub/inner.dll", "sub/deep/d.dll"}},
    {"EmptyMaskSelectsNothing", u"", kDefaultSearchAttr, true, u"", {}},
    {"OneFileByAbsolutePath", u"<src>\\top.txt", kDefaultSearchAttr, true, u"", {"top.txt"}},
    {"ExclusionMask", u"*.*", kFilesOnly, true, u"*.txt", {"top.dll", "noext", "sub/inner.dll", "sub/deep/d.dll"}},
    {"ExclusionOfEverything", u"*.*", kDefaultSearchAttr, true, u"*.*", {}},
};

class AddSelection : public ::testing::TestWithParam<SelectionCase> {};

TEST_P(AddSelection, AddsExactlyTheExpectedEntries) {
  const SelectionCase& c = GetParam();
  TestDir dir;
  dir.Write("src/top.dll", "1");
  dir.Write("src/top.txt", "2");
  dir.Write("src/noext", "3");
  dir.Write("src/sub/inner.dll", "4");
  dir.Write("src/sub/deep/d.dll", "5");
  std::u16string mask = c.mask;
  if (mask.rfind(u"<src>", 0) == 0) mask = platform::FullPath(PathText(dir / "src")) + mask.substr(5);
  TKolZip zip;
  zip.Options().SetRecurse(c.recurse);
  zip.SetFileName(PathText(dir / "a.zip"));
  zip.OpenArchive(kModeCreate);
  zip.SetBaseDir(PathText(dir / "src"));
  zip.AddFiles(mask, c.attr, c.exclusion);
  zip.CloseArchive();
  EXPECT_EQ(Names(dir / "a.zip"), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Table, AddSelection, ::testing::ValuesIn(kSelections),
                         [](const auto& info) { return std::string(info.param.name); });

// The attribute filter 10431: temporary-only and offline files stay out, hidden and system
// files come in. Rows whose attributes the file system cannot hold are skipped.
TEST(AttributeFilter, TakesHiddenAndSystemFilesAndSkipsTemporaryOrOfflineOnes) {
  struct Row {
    const char* name;
    std::uint32_t attributes;
    bool taken;
  };
  constexpr Row kRows[] = {{"plain.bin", 0x20, true},    {"hidden.bin", 0x22, true},
                           {"system.bin", 0x24, true},   {"temparch.bin", 0x120, true},
                           {"temp.bin", 0x100, false},   {"offline.bin", 0x1000, false}};
  TestDir dir;
  std::set<std::string> expected;
  for (const Row& row : kRows) {
    const std::u16string path = PathText(dir.Write(std::string("src/") + row.name, row.name));
    if (!platform::SetFileAttributesAt(path, row.attributes) ||
        platform::GetFileAttributesAt(path).value_or(0) != row.attributes) {
      fs::remove(dir / "src" / row.name);
      continue;  // not representable here
    }
    if (row.taken) expected.insert(row.name);
  }
  TKolZip zip;
  zip.SetFileName(PathText(dir / "a.zip"));
  zip.OpenArchive(kModeCreate);
  zip.SetBaseDir(PathText(dir / "src"));
  zip.AddFiles(u"*.*", kDefaultSearchAttr, u"");
  zip.CloseArchive();
  EXPECT_EQ(Names(dir / "a.zip"), expected);
  for (const auto& x : ReadWritten(ReadFile(dir / "a.zip")).entries) {
    if (x.name == "hidden.bin") {
      EXPECT_EQ(x.attributes, 0x22u) << "stored attributes are the file's";
    }
  }
}

// The archive's own file is never added, whatever the letter case of the name it was opened by.
TEST(OwnArchive, IsNeverAddedToItselfWhateverTheLetterCase) {
  TestDir dir;
  dir.Write("src/a.dll", "data");
  std::u16string name = PathText(dir / "src" / "pack.zip");
#ifdef _WIN32
  for (auto& ch : name) ch = (ch >= u'a' && ch <= u'z') ? static_cast<char16_t>(ch - 32) : ch;
#else
  for (auto& ch : name) ch = ch == u'/' ? u'\\' : ch;
  name = u"z:" + name;  // the drive letter in the other case
#endif
  TKolZip zip;
  zip.SetFileName(name);
  zip.OpenArchive(kModeCreate);
  zip.SetBaseDir(PathText(dir / "src"));
  zip.AddFiles(u"*.*", kDefaultSearchAttr, u"");
  zip.CloseArchive();
  EXPECT_EQ(Names(dir / "src" / "pack.zip"), (std::set<std::string>{"a.dll"}));
}

TEST(NoCompressionMasks, StoreMatchingMembersWhateverTheMode) {
  TestDir dir;
  dir.Write("src/ctl.ocx", Content(20000, 1));
  dir.Write("src/lib.dll", Content(20000, 2));
  TKolZip zip;
  zip.NoCompressionMasks().push_back(u"*.ocx");
  zip.SetFileName(PathText(dir / "a.zip"));
  zip.OpenArchive(kModeCreate);
  zip.SetBaseDir(PathText(dir / "src"));
  zip.AddFiles(u"*.*", kDefaultSearchAttr, u"");
  zip.CloseArchive();
  const std::string bytes = ReadFile(dir / "a.zip");
  const WrittenArchive w = ReadWritten(bytes);
  EXPECT_EQ(Find(w, "ctl.ocx")->method, kMethodStored);
  EXPECT_EQ(Find(w, "ctl.ocx")->compressed, 20000u);
  EXPECT_EQ(MemberBytes(bytes, *Find(w, "ctl.ocx")), Content(20000, 1));
  EXPECT_EQ(Find(w, "lib.dll")->method, kMethodDeflate);
}

// Overwrite modes against an existing entry "readme.txt" dated 2020-06-15 12:00:00.
struct OverwriteCase {
  const char* name;
  TKZOverwriteMode mode;
  int file_age;  // -1 older than the entry, 0 the same, +1 newer
  bool confirm;  // the answer to the overwrite question (omPrompt)
  bool replaced;
};

constexpr OverwriteCase kOverwrites[] = {
    {"AlwaysReplaces", omAlways, -1, false, true},      {"NeverKeeps", omNever, 1, false, false},
    {"IfNewerWithNewerFile", omIfNewer, 1, false, true}, {"IfNewerWithEqualTime", omIfNewer, 0, false, false},
    {"IfNewerWithOlderFile", omIfNewer, -1, false, false}, {"IfOlderWithOlderFile", omIfOlder, -1, false, true},
    {"IfOlderWithEqualTime", omIfOlder, 0, false, false}, {"IfOlderWithNewerFile", omIfOlder, 1, false, false},
    {"PromptAnsweredYes", omPrompt, 0, true, true},     {"PromptAnsweredNo", omPrompt, 0, false, false},
};

class AddOverwrite : public ::testing::TestWithParam<OverwriteCase> {};

TEST_P(AddOverwrite, DecidesWhetherAnExistingNameIsReplaced) {
  const OverwriteCase& c = GetParam();
  constexpr std::uint32_t kEntryTime = (((2020 - 1980) << 9 | 6 << 5 | 15) << 16) | (12 << 11);
  TestDir dir;
  const std::u16string first = PathText(dir.Write("one/Readme.TXT", "first"));
  ASSERT_TRUE(platform::SetLastWriteDosTime(first, kEntryTime));
  const std::u16string second = PathText(dir.Write("two/readme.txt", "second"));
  ASSERT_TRUE(platform::SetLastWriteDosTime(second, static_cast<std::uint32_t>(kEntryTime + c.file_age * 0x10000)));
  TKolZip zip;
  zip.SetFileName(PathText(dir / "a.zip"));
  zip.OpenArchive(kModeCreate);
  zip.SetBaseDir(PathText(dir / "one"));
  zip.AddFiles(u"*.*", kDefaultSearchAttr, u"");
  int asked = 0;
  zip.OnConfirmOverwrite = [&](TObject&, const std::u16string& source, std::u16string& dest, bool& confirm) {
    ++asked;
    EXPECT_EQ(source, platform::FullPath(PathText(dir / "two" / "readme.txt")));
    EXPECT_EQ(dest, u"readme.txt");
    confirm = c.confirm;
  };
  zip.Options().SetOverwriteMode(c.mode);
  zip.SetBaseDir(PathText(dir / "two"));
  zip.AddFiles(u"*.*", kDefaultSearchAttr, u"");
  zip.CloseArchive();
  EXPECT_EQ(asked, c.mode == omPrompt ? 1 : 0);
  const std::string bytes = ReadFile(dir / "a.zip");
  const WrittenArchive w = ReadWritten(bytes);
  ASSERT_EQ(w.entries.size(), 1u) << "names differing in letter case are one entry";
  EXPECT_EQ(MemberBytes(bytes, w.entries[0]), c.replaced ? "second" : "first");
}

INSTANTIATE_TEST_SUITE_P(Table, AddOverwrite, ::testing::ValuesIn(kOverwrites),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AddEvents, ConfirmCanDeclineAndStoreCanRenameAndChangeAttributesAndComment) {
  TestDir dir;
  dir.Write("src/keep.dll", "keep");
  dir.Write("src/skip.dll", "skip");
  TKolZip zip;
  std::vector<std::u16string> confirmed;
  zip.OnConfirmProcessFile = [&](TObject&, const std::u16string& name, TKZProcessOperation op, bool& confirm) {
    EXPECT_EQ(op, poAdd);
    confirmed.push_back(name);
    confirm = name.find(u"skip") == std::u16string::npos;
  };
  zip.OnStoreFile = [&](TObject&, std::u16string& name, std::int32_t& attr, std::string& comment,
                        const std::u16string& original) {
    EXPECT_EQ(original, platform::FullPath(PathText(dir / "src" / "keep.dll")));
    EXPECT_EQ(name, u"keep.dll");
    name = u"lib\\renamed.dll";
    attr = 0x21;
    comment = "a comment";
  };
  zip.SetFileName(PathText(dir / "a.zip"));
  zip.OpenArchive(kModeCreate);
  zip.SetBaseDir(PathText(dir / "src"));
  zip.AddFiles(u"*.dll", kDefaultSearchAttr, u"");
  zip.CloseArchive();
  EXPECT_EQ(confirmed.size(), 2u);
  const std::string bytes = ReadFile(dir / "a.zip");
  const WrittenArchive w = ReadWritten(bytes);
  ASSERT_EQ(w.entries.size(), 1u);
  EXPECT_EQ(w.entries[0].name, "lib/renamed.dll");
  EXPECT_EQ(w.entries[0].attributes, 0x21u);
  EXPECT_EQ(w.entries[0].comment, "a comment");
  EXPECT_EQ(MemberBytes(bytes, w.entries[0]), "keep");
}

TEST(AddFilesErrors, ClosedArchiveRaises13AndReadOnlyArchiveRaises32) {
  TestDir dir;
  TKolZip closed;
  try {
    closed.AddFiles(u"*.*", kDefaultSearchAttr, u"");
    ADD_FAILURE() << "no error";
  } catch (const EKZException& e) {
    EXPECT_EQ(e.NativeError(), kNative::ArchiveNotOpen);
  }
  {
    TKolZip zip;
    zip.SetFileName(PathText(dir / "a.zip"));
    zip.OpenArchive(kModeCreate);
    zip.CloseArchive();
  }
  const std::string before = ReadFile(dir / "a.zip");
  TKolZip read_only;
  read_only.SetFileName(PathText(dir / "a.zip"));
  read_only.OpenArchive(kModeReadShared);
  try {
    read_only.AddFiles(u"*.*", kDefaultSearchAttr, u"");
    ADD_FAILURE() << "no error";
  } catch (const EKZException& e) {
    EXPECT_EQ(e.NativeError(), kNative::ArchiveReadOnly);
  }
  read_only.CloseArchive();
  EXPECT_EQ(ReadFile(dir / "a.zip"), before);
}

}  // namespace
}  // namespace kv::archive::test
