#include "platform/enumerate_folder.h"

#include <gtest/gtest.h>

#include <map>

#include "tests/support/test_dir.h"

namespace kv::platform {
namespace {

std::map<std::u16string, FolderEntry> ByName(const std::vector<FolderEntry>& entries) {
  std::map<std::u16string, FolderEntry> map;
  for (const auto& e : entries) map[e.name] = e;
  return map;
}

TEST(EnumerateFolder, ListsFilesWithSizesAndFoldersOnlyWhenAsked) {
  test::TestDir dir;
  dir.Write("a.bin", std::string(70000, 'x'));
  dir.Write("empty.txt", "");
  dir.Write("sub/inner.bin", "12345");
  const std::u16string all = dir.text() + u"\\*.*";

  auto files = ByName(EnumerateFolder(all, 0));
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[u"a.bin"].size, 70000u);
  EXPECT_EQ(files[u"empty.txt"].size, 0u);
  EXPECT_FALSE(files[u"a.bin"].IsFolder());

  auto with_folders = ByName(EnumerateFolder(all, 0x10));
  ASSERT_EQ(with_folders.count(u"sub"), 1u);
  EXPECT_TRUE(with_folders[u"sub"].IsFolder());
  EXPECT_EQ(with_folders[u"sub"].size, 0u);

  auto masked = ByName(EnumerateFolder(dir.text() + u"\\*.BIN", 0x10));
  EXPECT_EQ(masked.size(), 1u);
  EXPECT_EQ(masked.count(u"a.bin"), 1u);
}

TEST(EnumerateFolder, MissingFolderGivesNothing) {
  test::TestDir dir;
  EXPECT_TRUE(EnumerateFolder(dir.text() + u"\\missing\\*.*", 0x1FF).empty());
}

}  // namespace
}  // namespace kv::platform
