#include "platform/temp_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "platform/errors.h"
#include "tests/support/test_dir.h"

namespace kv::platform {
namespace {
namespace fs = std::filesystem;

// The engine's Windows path as a path the test can open (drive Z: is "/" on Linux).
fs::path Local(std::u16string text) {
#ifndef _WIN32
  if (text.size() >= 2 && text[1] == u':') text.erase(0, 2);
  for (char16_t& c : text)
    if (c == u'\\') c = u'/';
#endif
  return fs::path(text);
}

TEST(TempFolder, NamesAnExistingFolderEndingWithBackslash) {
  const std::u16string folder = TempFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), u'\\');
  EXPECT_TRUE(fs::is_directory(Local(folder)));
}

TEST(CreateUniqueTempFile, CreatesDistinctEmptyFilesWithThePrefix) {
  test::TestDir dir;
  std::set<std::u16string> names;
  for (int i = 0; i < 20; ++i) {
    const std::u16string name = CreateUniqueTempFile(dir.text(), u"FC");
    EXPECT_TRUE(names.insert(name).second) << "name reused";
    const fs::path file = Local(name);
    ASSERT_TRUE(fs::is_regular_file(file));
    EXPECT_EQ(fs::file_size(file), 0u);
    EXPECT_EQ(fs::equivalent(file.parent_path(), dir.path()), true);
    EXPECT_EQ(file.filename().string().substr(0, 2), "FC");
    EXPECT_EQ(file.extension().string().size(), 4u);
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 20);
}

TEST(CreateUniqueTempFile, NeverReplacesAnExistingFile) {
  test::TestDir dir;
  const std::u16string first = CreateUniqueTempFile(dir.text() + u"\\", u"FC");
  // Fill the first file; a second call must leave it alone.
  dir.Write(Local(first).filename().string(), "keep");
  const std::u16string second = CreateUniqueTempFile(dir.text(), u"FC");
  EXPECT_NE(first, second);
  EXPECT_EQ(test::ReadFile(Local(first)), "keep");
}

TEST(CreateUniqueTempFile, MissingFolderThrowsWithThePath) {
  test::TestDir dir;
  const std::u16string missing = dir.text() + u"\\missing";
  try {
    CreateUniqueTempFile(missing, u"FC");
    FAIL() << "no error";
  } catch (const PlatformError& e) {
    EXPECT_NE(e.os_error(), 0u);
    EXPECT_EQ(e.path(), missing);
  }
}

TEST(FlushFileToDisk, FlushesAnExistingFileAndRefusesAMissingOne) {
  test::TestDir dir;
  const fs::path file = dir.Write("data.bin", "abc");
  EXPECT_NO_THROW(FlushFileToDisk(test::PathText(file)));
  EXPECT_EQ(test::ReadFile(file), "abc");
  EXPECT_THROW(FlushFileToDisk(test::PathText(dir.path() / "none.bin")), PlatformError);
}

}  // namespace
}  // namespace kv::platform
