// Extraction into a folder that already holds symbolic links (made here with real symlinks),
// and a disk that fills while an old file is being replaced.
#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "platform/posix/fault_injection.h"
#include "tests/archive/extract_fixture.h"

namespace kv::archive::test {
namespace {

namespace fs = std::filesystem;
using kv::test::ReadFile;
using kv::test::TestDir;

// Every file below `folder`, relative, links included as themselves.
std::vector<std::string> Tree(const fs::path& folder) {
  std::vector<std::string> names;
  for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it)
    if (!it->is_directory() || it->is_symlink()) names.push_back(fs::relative(it->path(), folder).string());
  std::sort(names.begin(), names.end());
  return names;
}

struct LinkCase {
  const char* label;
  const char* member;       // the entry name
  const char* link;         // a link inside the destination ...
  const char* points_at;    // ... to this place outside it (relative to the test folder)
  bool target_is_folder;    // the outside place exists as a folder (else as a file "outside/f.txt" or not at all)
  TKZOverwriteMode mode;
};

const LinkCase kLinkCases[] = {
    {"FolderLinkToOutsideFolder", "sub/x.txt", "sub", "outside", true, omAlways},
    {"FolderLinkNever", "sub/x.txt", "sub", "outside", true, omNever},
    {"DeeperFolderLink", "a/sub/x.txt", "a/sub", "outside", true, omAlways},
    {"DanglingFolderLink", "sub/x.txt", "sub", "nowhere", false, omAlways},
    {"FileLinkToOutsideFile", "x.txt", "x.txt", "outside/f.txt", false, omAlways},
    {"FileLinkIfNewer", "x.txt", "x.txt", "outside/f.txt", false, omIfNewer},
    {"DanglingFileLink", "x.txt", "x.txt", "outside/new.txt", false, omAlways},
    {"DanglingFileLinkNever", "x.txt", "x.txt", "outside/new.txt", false, omNever},
};

class ExistingLinks : public ::testing::TestWithParam<LinkCase> {};

TEST_P(ExistingLinks, NothingIsWrittenOutsideTheDestination) {
  const LinkCase& c = GetParam();
  TestDir dir;
  OpenedArchive a(dir, MakeZip({{c.member, "extracted"}, {"plain.txt", "plain"}}));
  fs::create_directories(dir / "outside");
  dir.Write("outside/f.txt", "outside file");
  fs::create_directories((dir / "out" / c.link).parent_path());
  fs::create_symlink(dir / c.points_at, dir / "out" / c.link);
  a.zip.OnProcessFileFailure = [](TObject&, const std::u16string&, TKZProcessOperation, std::int32_t, std::int32_t,
                                  const std::u16string&, TKZAction& action) { action = fxaIgnore; };
  a.zip.Options().SetOverwriteMode(c.mode);
  a.zip.SetBaseDir(a.Folder("out"));
  a.zip.ExtractFiles(u"*.*", 10431, u"");
  EXPECT_EQ(Tree(dir / "outside"), std::vector<std::string>{"f.txt"});
  EXPECT_EQ(ReadFile(dir / "outside/f.txt"), "outside file");
  EXPECT_FALSE(fs::exists(dir / "nowhere"));
  EXPECT_EQ(ReadFile(dir / "out/plain.txt"), "plain") << "the rest is extracted";
  // A file link that is replaced becomes the extracted file itself.
  const fs::path link = dir / "out" / c.link;
  if (std::string(c.member) == c.link && fs::is_regular_file(fs::symlink_status(link))) {
    EXPECT_EQ(ReadFile(link), "extracted");
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, ExistingLinks, ::testing::ValuesIn(kLinkCases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(ExistingLinks, FileLinkIsReplacedByTheFileWhenOverwriting) {
  TestDir dir;
  OpenedArchive a(dir, MakeZip({{"x.txt", "extracted"}}));
  dir.Write("outside/f.txt", "outside file");
  fs::create_directories(dir / "out");
  fs::create_symlink(dir / "outside/f.txt", dir / "out/x.txt");
  a.zip.Options().SetOverwriteMode(omAlways);
  a.zip.SetBaseDir(a.Folder("out"));
  a.zip.ExtractFiles(u"*.*", 10431, u"");
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir / "out/x.txt")));
  EXPECT_EQ(ReadFile(dir / "out/x.txt"), "extracted");
  EXPECT_EQ(ReadFile(dir / "outside/f.txt"), "outside file");
}

TEST(ReplaceExisting, DiskFullKeepsTheOldFileAndLeavesNoTemporary) {
  TestDir dir;
  OpenedArchive a(dir, MakeZip({{"x.txt", "new contents"}}));
  dir.Write("out/x.txt", "old contents");
  std::vector<std::int32_t> failures;
  a.zip.OnProcessFileFailure = [&](TObject&, const std::u16string&, TKZProcessOperation, std::int32_t native,
                                   std::int32_t, const std::u16string&, TKZAction& action) {
    failures.push_back(native);
    action = fxaIgnore;
  };
  a.zip.Options().SetOverwriteMode(omAlways);
  a.zip.SetBaseDir(a.Folder("out"));
  platform::posix::FaultScope faults;
  platform::posix::FailNthWrite(1, u".tmp", platform::posix::WriteFaultLasts::UntilCleared);
  a.zip.ExtractFiles(u"*.*", 10431, u"");
  EXPECT_EQ(failures, std::vector<std::int32_t>{kNative::DiskFull});
  EXPECT_EQ(ReadFile(dir / "out/x.txt"), "old contents");
  EXPECT_EQ(Tree(dir / "out"), std::vector<std::string>{"x.txt"});
}

}  // namespace
}  // namespace kv::archive::test
