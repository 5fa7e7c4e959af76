// An existing file that extraction is to replace stays as it was until the new member is
// complete and checked.
#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "tests/archive/extract_fixture.h"

namespace kv::archive::test {
namespace {

namespace fs = std::filesystem;
using kv::test::ReadFile;
using kv::test::TestDir;

// The names in `folder` (without descending): a temporary left behind would show here.
std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

struct ReplaceCase {
  const char* label;
  Member member;
  bool cancel;          // the file progress handler cancels while the member is written
  bool replaced;        // the new contents are in the old file's place afterwards
  std::int32_t native;  // the failure reported, 0: none
};

Member Crc(Member m, std::int64_t crc) { return m.stored_crc = crc, m; }
Member Size(Member m, std::int64_t size) { return m.stored_size = size, m; }

const std::string kLarge(300000, 'n');

const ReplaceCase kReplaceCases[] = {
    {"GoodMemberReplaces", {"x.txt", "new contents"}, false, true, 0},
    {"BadCrcKeepsTheOldFile", Crc({"x.txt", "new contents"}, 77), false, false, kNative::BadSizeOrChecksum},
    {"CutShortKeepsTheOldFile", Size({"x.txt", "new contents"}, 500), false, false, kNative::BadSizeOrChecksum},
    {"StoredCutShortKeepsTheOldFile", Size({"x.txt", "new contents", kMethodStored}, 500), false, false,
     kNative::BadSizeOrChecksum},
    {"CancelledKeepsTheOldFile", {"x.txt", kLarge}, true, false, 0},
};

class ReplaceExisting : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceExisting, OldFileStaysUntilTheMemberIsWhole) {
  const ReplaceCase& c = GetParam();
  TestDir dir;
  OpenedArchive a(dir, MakeZip({c.member}));
  dir.Write("out/x.txt", "old contents");
  dir.Write("out/other.txt", "other");
  std::vector<std::int32_t> failures;
  a.zip.OnProcessFileFailure = [&](TObject&, const std::u16string&, TKZProcessOperation, std::int32_t native,
                                   std::int32_t, const std::u16string&, TKZAction& action) {
    failures.push_back(native);
    action = fxaIgnore;
  };
  a.zip.OnFileProgress = [&](TObject&, const std::u16string&, double, TKZProcessOperation, TKZProgressPhase phase,
                             bool& cancel) {
    if (phase == ppProcess && c.cancel) {
      // Half way: the old file is still there, whole.
      EXPECT_EQ(ReadFile(dir / "out/x.txt"), "old contents");
      cancel = true;
    }
  };
  a.zip.Options().SetOverwriteMode(omAlways);
  a.zip.SetBaseDir(a.Folder("out"));
  a.zip.ExtractFiles(u"*.*", 10431, u"");
  EXPECT_EQ(ReadFile(dir / "out/x.txt"), c.replaced ? c.member.data : "old contents");
  EXPECT_EQ(failures, c.native ? std::vector<std::int32_t>{c.native} : std::vector<std::int32_t>{});
  EXPECT_EQ(Names(dir / "out"), (std::vector<std::string>{"other.txt", "x.txt"})) << "no temporary is left";
}

INSTANTIATE_TEST_SUITE_P(Cases, ReplaceExisting, ::testing::ValuesIn(kReplaceCases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(ReplaceExisting, ReplacedReadOnlyFileTakesTheMembersAttributesAndFailedOneKeepsItsOwn) {
  TestDir dir;
  OpenedArchive a(dir, MakeZip({Crc({"bad.txt", "new"}, 5), {"good.txt", "new"}}));
  for (const char* name : {"out/bad.txt", "out/good.txt"}) {
    dir.Write(name, "old");
    ASSERT_TRUE(platform::SetFileAttributesAt(a.Folder(name), platform::kAttrReadOnly));
  }
  a.zip.OnProcessFileFailure = [](TObject&, const std::u16string&, TKZProcessOperation, std::int32_t, std::int32_t,
                                  const std::u16string&, TKZAction& action) { action = fxaIgnore; };
  a.zip.Options().SetReplaceReadOnly(true);
  a.zip.Options().SetOverwriteMode(omAlways);
  a.zip.SetBaseDir(a.Folder("out"));
  a.zip.ExtractFiles(u"*.*", 10431, u"");
  EXPECT_EQ(ReadFile(dir / "out/good.txt"), "new");
  EXPECT_EQ(ReadFile(dir / "out/bad.txt"), "old");
  EXPECT_EQ(platform::GetFileAttributesAt(a.Folder("out/bad.txt")).value_or(0) & platform::kAttrReadOnly,
            platform::kAttrReadOnly);
  EXPECT_EQ(platform::GetFileAttributesAt(a.Folder("out/good.txt")).value_or(0) & platform::kAttrReadOnly, 0u);
  for (const char* name : {"out/bad.txt", "out/good.txt"}) platform::SetFileAttributesAt(a.Folder(name), 0);
  EXPECT_EQ(Names(dir / "out"), (std::vector<std::string>{"bad.txt", "good.txt"}));
}

}  // namespace
}  // namespace kv::archive::test
