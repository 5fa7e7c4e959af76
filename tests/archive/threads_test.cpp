// Building with several deflating threads: the archive, its events and its failures are the
// same whatever the number of threads, and a failure while other members are in flight
// leaves the archive as it was.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/archive/commit_test_support.h"

namespace kv::archive::test {
namespace {

using kv::test::PathText;
using kv::test::ReadFile;
using kv::test::TestDir;
namespace fs = std::filesystem;

constexpr std::size_t kKiB = 1024;

struct SourceFile {
  const char* name;
  std::size_t size;
  bool random;
};

struct FolderCase {
  const char* name;
  std::vector<SourceFile> files;
};

const FolderCase kFolders[] = {
    {"SmallMembers",
     {{"a.txt", 100, false}, {"b.txt", 9 * kKiB, false}, {"c.dll", 40 * kKiB, true}, {"d.txt", 200 * kKiB, false},
      {"e.dll", 512 * kKiB, true}, {"f.txt", 300 * kKiB, false}, {"g.txt", 0, false}}},
    {"LargeMembers",
     {{"big.txt", 1700 * kKiB, false}, {"big.dll", 1200 * kKiB, true}, {"blocks.txt", 2048 * kKiB, false}}},
    {"Mixed",
     {{"a.txt", 30 * kKiB, false}, {"big.txt", 1600 * kKiB, false}, {"b.dll", 60 * kKiB, true},
      {"c.txt", 20 * kKiB, false}, {"big.dll", 700 * kKiB, true}, {"d.txt", 5, false},
      {"e.txt", 100 * kKiB, false}}},
};

struct Built {
  std::string bytes;
  std::vector<std::string> events;
};

Built Build(const TestDir& dir, std::size_t threads) {
  const fs::path archive = dir / ("t" + std::to_string(threads) + ".zip");
  RecordingZip zip;
  zip.SetCompressionThreads(threads);
  zip.SetFileName(PathText(archive));
  zip.OpenArchive(kModeCreate);
  zip.SetBaseDir(PathText(dir / "src"));
  zip.AddFiles(u"*.*", kDefaultSearchAttr, u"");
  zip.CloseArchive();
  return {ReadFile(archive), zip.events};
}

class SameWhateverTheThreads : public ::testing::TestWithParam<FolderCase> {};

TEST_P(SameWhateverTheThreads, ArchiveAndEventsAreIdenticalAndMembersInflateToTheirFiles) {
  TestDir dir;
  unsigned seed = 1;
  for (const SourceFile& f : GetParam().files) dir.Write(std::string("src/") + f.name, Content(f.size, ++seed, f.random));
  const Built one = Build(dir, 1);
  const WrittenArchive w = ReadWritten(one.bytes);
  EXPECT_TRUE(Contiguous(w, 0));
  EXPECT_EQ(w.entries.size(), GetParam().files.size());
  for (const WrittenEntry& x : w.entries) EXPECT_EQ(MemberBytes(one.bytes, x), ReadFile(dir / "src" / x.name)) << x.name;
  for (std::size_t threads : {2u, 8u}) {
    const Built many = Build(dir, threads);
    EXPECT_TRUE(many.bytes == one.bytes) << threads << " threads give other bytes";
    EXPECT_EQ(many.events, one.events) << threads << " threads";
  }
}

INSTANTIATE_TEST_SUITE_P(Folders, SameWhateverTheThreads, ::testing::ValuesIn(kFolders),
                         [](const auto& info) { return std::string(info.param.name); });

// A member that fails while the small files after it are being deflated: Abort leaves the old
// archive byte for byte and no temporary file; Ignore gives the archive one thread gives.
TEST(FailureWhileOthersAreInFlight, AbortRestoresTheArchiveAndIgnoreMatchesOneThread) {
  TestDir dir;
  fs::create_directories(dir / "tmp");
  dir.Write("src/old.txt", Content(30000, 1));
  {
    TKolZip zip;
    zip.SetFileName(PathText(dir / "a.zip"));
    zip.OpenArchive(kModeCreate);
    zip.SetBaseDir(PathText(dir / "src"));
    zip.AddFiles(u"old.txt", kDefaultSearchAttr, u"");
    zip.CloseArchive();
  }
  const std::string before = ReadFile(dir / "a.zip");
  for (int i = 0; i < 12; ++i)
    dir.Write("src/n" + std::to_string(10 + i) + ".txt", Content(20000 + 1000 * static_cast<std::size_t>(i), 3 + i));
  dir.Write("src/n16.txt", Content(900 * kKiB, 40));  // a member of two blocks among them
  for (TKZAction answer : {fxaAbort, fxaIgnore}) {
    std::vector<std::string> results;
    for (std::size_t threads : {1u, 2u, 8u}) {
      dir.Write("a.zip", before);
      dir.Write("src/n14.txt", Content(24000, 7));
      RecordingZip zip;
      zip.SetCompressionThreads(threads);
      zip.SetFileName(PathText(dir / "a.zip"));
      zip.SetTempDir(PathText(dir / "tmp"));
      zip.answers = {answer};
      zip.OpenArchive();
      zip.SetBaseDir(PathText(dir / "src"));
      zip.BeginUpdate();
      zip.AddFiles(u"n*.txt", kDefaultSearchAttr, u"");
      fs::remove(dir / "src/n14.txt");  // the files after it are handed to the workers first
      EXPECT_NO_THROW(zip.EndUpdate());
      zip.CloseArchive();
      const std::string after = ReadFile(dir / "a.zip");
      EXPECT_TRUE(TailFiles(dir / "tmp").empty()) << threads << " threads";
      EXPECT_EQ(zip.failures, std::vector<int>{kNative::CannotOpenSourceFile}) << threads << " threads";
      if (answer == fxaAbort) {
        EXPECT_TRUE(after == before) << threads << " threads: the archive changed";
      } else {
        EXPECT_EQ(ReadWritten(after).entries.size(), 12u) << threads << " threads";
      }
      results.push_back(after);
    }
    EXPECT_TRUE(results[1] == results[0] && results[2] == results[0]) << "answer " << answer;
  }
}

}  // namespace
}  // namespace kv::archive::test
