// Updates of an archive file build the new archive beside the old one and put it in the old
// one's place in one step: at every event of the update before its last the file under the
// archive's name is still exactly the old archive (what a kill at that moment would leave),
// from the last one on exactly the new one, and no new-archive file is left; a leftover of a killed update goes with the
// next update of that archive, whether it succeeds or fails.
#include <gtest/gtest.h>

#include "tests/archive/update_kinds.h"

namespace kv::archive::test {
namespace {

using kv::test::ReadFile;
using kv::test::TestDir;
namespace fs = std::filesystem;

class AtomicUpdate : public ::testing::TestWithParam<UpdateKind> {};

TEST_P(AtomicUpdate, TheArchiveIsTheOldOneUntilTheSwitchAndTheNewOneAfter) {
  const UpdateKind& kind = GetParam();
  TestDir dir;
  const std::string before = PrepareUpdate(dir, kind);
  const fs::path archive = ArchiveOf(dir, kind);
  {
    TKolZip zip;
    RunUpdate(zip, dir, kind, before);
  }
  const std::string expected = ReadFile(archive);
  ASSERT_NE(expected, before);
  dir.Write(archive.filename().string(), before);

  RecordingZip zip;
  int checked = 0;
  bool saw_update_file = false;
  zip.cancel_at = [&](const std::string& event) {
    ++checked;
    const bool switched = event.rfind("overall end", 0) == 0;
    EXPECT_TRUE(ReadFile(archive) == (switched ? expected : before)) << "a third thing at " << event;
    if (fs::exists(UpdateFileOf(dir, kind))) saw_update_file = true;
    return false;
  };
  RunUpdate(zip, dir, kind, before);
  EXPECT_GE(checked, 4);
  EXPECT_TRUE(saw_update_file) << "the new archive is built beside the old one";
  EXPECT_TRUE(zip.failures.empty());

  const std::string after = ReadFile(archive);
  EXPECT_TRUE(after == expected) << "the same update gives the same archive";
  EXPECT_FALSE(fs::exists(UpdateFileOf(dir, kind)));
  const WrittenArchive w = ReadWritten(after);
  EXPECT_EQ(w.entries.size(), kind.replace >= 0 ? 3u : 4u);
  for (const auto& x : w.entries) EXPECT_NO_THROW(MemberBytes(after, x)) << x.name;
  if (kind.comment) {
    EXPECT_EQ(w.comment, "a new comment, longer than the old one");
  }
  if (kind.stub) {
    EXPECT_EQ(after.substr(0, 3000), FakeStub(3000));
  }

  TKolZip reader;  // our own reader takes it as well
  reader.SetFileName(kv::test::PathText(archive));
  reader.OpenArchive();
  EXPECT_EQ(reader.DMHandle()->CDir.Count(), static_cast<int>(w.entries.size()));
  reader.CloseArchive();
}

INSTANTIATE_TEST_SUITE_P(Table, AtomicUpdate, ::testing::ValuesIn(kUpdateKinds),
                         [](const auto& info) { return std::string(info.param.name); });

struct LeftoverCase {
  const char* name;
  bool cancelled;  // the update is cancelled once its new archive file exists
};

constexpr LeftoverCase kLeftoverCases[] = {{"ByASuccessfulUpdate", false}, {"ByACancelledUpdate", true}};

class LeftoverOfAKilledUpdate : public ::testing::TestWithParam<LeftoverCase> {};

TEST_P(LeftoverOfAKilledUpdate, IsRemoved) {
  const LeftoverCase& c = GetParam();
  const UpdateKind& kind = kUpdateKinds[1];  // replaces the first member
  TestDir dir;
  const std::string before = PrepareUpdate(dir, kind);
  dir.Write(UpdateFileOf(dir, kind).filename().string(), before.substr(0, before.size() / 2));
  RecordingZip zip;
  zip.cancel_at = [&](const std::string& event) { return c.cancelled && event.rfind("file start", 0) == 0; };
  RunUpdate(zip, dir, kind, before);
  EXPECT_FALSE(fs::exists(UpdateFileOf(dir, kind))) << "the leftover is gone";
  const std::string after = ReadFile(ArchiveOf(dir, kind));
  EXPECT_TRUE(zip.failures.empty());
  if (c.cancelled) {
    EXPECT_TRUE(after == before) << "the archive is exactly as it was";
  } else {
    EXPECT_EQ(MemberBytes(after, ReadWritten(after).entries[0]), Content(50000, 9));
  }
}

INSTANTIATE_TEST_SUITE_P(Table, LeftoverOfAKilledUpdate, ::testing::ValuesIn(kLeftoverCases),
                         [](const auto& info) { return std::string(info.param.name); });

// An archive in a caller's stream is still rewritten in place: no file appears beside anything.
TEST(AtomicUpdateOfACallersStream, KeepsWritingTheStreamItself) {
  TestDir dir;
  dir.Write("src/a.txt", Content(3000, 1));
  TKZMemoryStream stream;
  TKolZip zip;
  zip.OpenArchive(stream, true);
  zip.SetBaseDir(kv::test::PathText(dir / "src"));
  zip.AddFiles(u"a.txt", kDefaultSearchAttr, u"");
  zip.CloseArchive();
  EXPECT_EQ(ReadWritten(stream.bytes()).entries.size(), 1u);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1) << "only src/";
}

}  // namespace
}  // namespace kv::archive::test
