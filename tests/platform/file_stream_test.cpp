// Contract of platform::File on both twins: open and create modes, sharing between opens of
// the same file, sizes and positions.
#include "platform/file_stream.h"

#include <gtest/gtest.h>

#include "tests/support/test_dir.h"

namespace kv::platform {
namespace {

using kv::test::TestDir;

struct ShareCase {
  const char* label;
  std::uint16_t first;
  std::uint16_t second;
  bool second_opens;
};

constexpr ShareCase kShareCases[] = {
    {"read shared, read shared", 0x40, 0x40, true},
    {"read-write deny write, read shared", 0x22, 0x40, true},
    {"read-write deny write, read-write deny write", 0x22, 0x22, false},
    {"read shared, read-write deny write", 0x40, 0x22, true},
    {"read deny write, write shared", 0x20, 0x41, false},
    {"exclusive read, read shared", 0x10, 0x40, false},
    {"compat read, read shared", 0x00, 0x40, false},
    {"read deny read, read shared", 0x30, 0x40, false},
    {"read deny read, write shared", 0x30, 0x41, true},
    {"create, read shared", 0xFF00, 0x40, false},
    {"read shared, create", 0x40, 0xFF00, false},
};

TEST(FileStream, SharingFollowsTheModeWordBetweenOpensOfOneFile) {
  for (const ShareCase& c : kShareCases) {
    TestDir dir;
    const std::u16string path = kv::test::PathText(dir.Write("shared.bin", "0123456789"));
    File first = File::Open(path, c.first);
    bool opened = true;
    try {
      File second = File::Open(path, c.second);
    } catch (const PlatformError& e) {
      opened = false;
      EXPECT_EQ(e.path(), path) << c.label;
    }
    EXPECT_EQ(opened, c.second_opens) << c.label;
  }
}

TEST(FileStream, ClosingReleasesTheSharingLock) {
  TestDir dir;
  const std::u16string path = kv::test::PathText(dir.Write("a.bin", "x"));
  { File first = File::Open(path, 0x12); }
  EXPECT_NO_THROW(File::Open(path, 0x12));
}

TEST(FileStream, RefusedCreateLeavesTheFileAsItWas) {
  TestDir dir;
  const auto native = dir.Write("keep.bin", "precious");
  const std::u16string path = kv::test::PathText(native);
  File reader = File::Open(path, 0x20);
  EXPECT_THROW(File::Open(path, kOpenCreate), PlatformError);
  EXPECT_EQ(kv::test::ReadFile(native), "precious");
}

TEST(FileStream, OpenOfAMissingFileNamesItInTheMessage) {
  TestDir dir;
  const std::u16string path = dir.text() + u"\\missing.zip";
  try {
    File::Open(path, 0x40);
    FAIL() << "opened a missing file";
  } catch (const PlatformError& e) {
    EXPECT_NE(std::string(e.what()).find("Cannot open file \""), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("missing.zip\". "), std::string::npos) << e.what();
  }
}

TEST(FileStream, CreateEmptiesReadsWritesSeeksAndResizes) {
  TestDir dir;
  const auto native = dir.Write("data.bin", "old contents");
  const std::u16string path = kv::test::PathText(native);
  {
    File f = File::Open(path, kOpenCreate);
    EXPECT_EQ(f.Size(), 0);
    EXPECT_EQ(f.Write("hello world", 11), 11u);
    EXPECT_EQ(f.Position(), 11);
    EXPECT_EQ(f.Seek(6), 6);
    char buffer[16] = {};
    EXPECT_EQ(f.Read(buffer, sizeof buffer), 5u);
    EXPECT_EQ(std::string(buffer, 5), "world");
    EXPECT_EQ(f.Read(buffer, 4), 0u);  // at the end
    f.SetSize(5);
    EXPECT_EQ(f.Size(), 5);
    EXPECT_EQ(f.Position(), 5);  // clamped to the new size
    f.Seek(8);
    f.Write("!", 1);  // writing beyond the end extends the file
    EXPECT_EQ(f.Size(), 9);
    EXPECT_TRUE(f.Flush());
  }
  EXPECT_EQ(File::Open(path, 0x40).Size(), 9);
  EXPECT_EQ(kv::test::ReadFile(native), std::string("hello\0\0\0!", 9));
}

TEST(FileStream, ReadOnlyOpenCannotWrite) {
  TestDir dir;
  const std::u16string path = kv::test::PathText(dir.Write("ro.bin", "abc"));
  File f = File::Open(path, 0x40);
  EXPECT_EQ(f.Write("x", 1), 0u);
  EXPECT_FALSE(ModeAllowsWriting(0x40));
  EXPECT_TRUE(ModeAllowsWriting(0x22));
  EXPECT_TRUE(ModeAllowsWriting(kOpenCreate));
}

}  // namespace
}  // namespace kv::platform
