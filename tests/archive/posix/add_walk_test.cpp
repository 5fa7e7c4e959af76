// Adding folders the walk cannot read (the stand-in's listing fault, as root reads everything)
// and folders reached again through real symbolic links pointing back up.
#include <gtest/gtest.h>

#include <set>

#include "platform/file_system.h"
#include "platform/posix/fault_injection.h"
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

// Adds everything below src recursively; the failures reported come back by name.
std::vector<std::string> AddAll(TestDir& dir) {
  std::vector<std::string> failed;
  TKolZip zip;
  zip.Options().SetRecurse(true);
  zip.SetFileName(PathText(dir / "a.zip"));
  zip.OpenArchive(kModeCreate);
  zip.SetBaseDir(PathText(dir / "src"));
  zip.OnProcessFileFailure = [&](TObject&, const std::u16string& name, TKZProcessOperation, std::int32_t native,
                                 std::int32_t, const std::u16string&, TKZAction& action) {
    EXPECT_EQ(native, kNative::CannotOpenSourceFile);
    failed.push_back(platform::Utf16ToUtf8(name));
    action = fxaIgnore;
  };
  zip.AddFiles(u"*.*", kDefaultSearchAttr | kAttrDirectory, u"");
  zip.CloseArchive();
  return failed;
}

TEST(AddWalk, UnreadableFolderIsAFailureAndNotStored) {
  TestDir dir;
  dir.Write("src/top.txt", "1");
  dir.Write("src/locked/inner.txt", "2");
  dir.Write("src/open/fine.txt", "3");
  platform::posix::FaultScope faults;
  platform::posix::RefuseListing(u"\\locked");
  const auto failed = AddAll(dir);
  ASSERT_EQ(failed.size(), 1u);
  EXPECT_EQ(failed[0], platform::Utf16ToUtf8(platform::FullPath(PathText(dir / "src/locked"))));
  EXPECT_EQ(Names(dir / "a.zip"), (std::set<std::string>{"top.txt", "open/", "open/fine.txt"}));
}

TEST(AddWalk, LinksBackUpEndTheirBranch) {
  TestDir dir;
  dir.Write("src/top.txt", "1");
  dir.Write("src/a/b/deep.txt", "2");
  fs::create_directory_symlink(dir / "src", dir / "src/a/up");       // back to the walk's root
  fs::create_directory_symlink(dir / "src/a", dir / "src/a/b/back");  // back to a parent
  dir.Write("elsewhere/other.txt", "3");
  fs::create_directory_symlink(dir / "elsewhere", dir / "src/side");  // not on the way: followed
  EXPECT_TRUE(AddAll(dir).empty());
  EXPECT_EQ(Names(dir / "a.zip"), (std::set<std::string>{"top.txt", "a/", "a/b/", "a/b/deep.txt", "side/",
                                                          "side/other.txt"}));
}

}  // namespace
}  // namespace kv::archive::test
