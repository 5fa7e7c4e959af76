// Contract of the whole-file operations, run against both twins.
#include "platform/file_ops.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/test_dir.h"

namespace kv::platform {
namespace {

namespace fs = std::filesystem;
using kv::test::PathText;
using kv::test::ReadFile;
using kv::test::TestDir;

TEST(FileOps, CopyReplacesTargetAndReportsFailure) {
  TestDir dir;
  dir.Write("from.bin", std::string("new\0bytes", 9));
  dir.Write("to.bin", "old and longer");
  EXPECT_TRUE(CopyFileReplacing(PathText(dir / "from.bin"), PathText(dir / "to.bin")));
  EXPECT_EQ(ReadFile(dir / "to.bin"), std::string("new\0bytes", 9));
  EXPECT_FALSE(CopyFileReplacing(PathText(dir / "absent.bin"), PathText(dir / "x.bin")));
  EXPECT_FALSE(fs::exists(dir / "x.bin"));
  EXPECT_FALSE(CopyFileReplacing(PathText(dir / "from.bin"), PathText(dir / "no" / "x.bin")));
}

struct DeleteCase {
  const char* name;
  const char16_t* mask;
  bool with_folders;
  std::vector<const char*> left;
};

const DeleteCase kDeleteCases[] = {
    {"EverythingWithFolders", u"*.*", true, {}},
    {"FilesOnly", u"*.*", false, {"sub", "sub/inner.txt"}},
    {"ByExtension", u"*.dll", false, {"b.ocx", "noext", "sub", "sub/inner.txt"}},
    {"ExtensionCaseIgnored", u"*.OCX", true, {"a.dll", "noext", "sub", "sub/inner.txt"}},
};

class ShellDelete : public ::testing::TestWithParam<DeleteCase> {};

TEST_P(ShellDelete, LeavesOnlyTheseEntries) {
  const DeleteCase& c = GetParam();
  TestDir dir;
  for (const char* name : {"a.dll", "b.ocx", "noext", "sub/inner.txt"}) dir.Write(name, "x");
  EXPECT_TRUE(ShellDeleteFiles(dir.text(), c.mask, c.with_folders));
  std::vector<std::string> left;
  for (const auto& entry : fs::recursive_directory_iterator(dir.path()))
    left.push_back(fs::relative(entry.path(), dir.path()).generic_string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, std::vector<std::string>(c.left.begin(), c.left.end()));
}

INSTANTIATE_TEST_SUITE_P(Cases, ShellDelete, ::testing::ValuesIn(kDeleteCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FileOps, ShellDeleteOfEmptyFolderSucceeds) {
  TestDir dir;
  EXPECT_TRUE(ShellDeleteFiles(dir.text(), u"*.*", true));
  EXPECT_TRUE(fs::is_directory(dir.path()));
}

TEST(FileOps, DeleteExistsAndCreateFolder) {
  TestDir dir;
  dir.Write("f.txt", "x");
  EXPECT_TRUE(FileExists(PathText(dir / "f.txt")));
  EXPECT_FALSE(FolderExists(PathText(dir / "f.txt")));
  EXPECT_TRUE(DeleteFileQuietly(PathText(dir / "f.txt")));
  EXPECT_FALSE(FileExists(PathText(dir / "f.txt")));
  EXPECT_FALSE(DeleteFileQuietly(PathText(dir / "f.txt")));

  EXPECT_TRUE(CreateFolder(PathText(dir / "Temp")));
  EXPECT_TRUE(FolderExists(PathText(dir / "Temp")));
  EXPECT_FALSE(FileExists(PathText(dir / "Temp")));
  EXPECT_TRUE(CreateFolder(PathText(dir / "Temp")));  // already there
  EXPECT_FALSE(DeleteFileQuietly(PathText(dir / "Temp")));
  EXPECT_FALSE(CreateFolder(PathText(dir / "a" / "b")));  // one level only
}

}  // namespace
}  // namespace kv::platform
