// Failures during a commit: the failure event's answers, sources that vanish or shrink, an
// output that fills up, and cancels. Whatever happens, the archive ends either complete and
// without unreferenced bytes, or byte for byte as it was, and no temporary file stays.
#include <gtest/gtest.h>

#include <algorithm>

#include "archive/dir_manager.h"
#include "tests/archive/commit_test_support.h"

namespace kv::archive::test {
namespace {

using kv::test::PathText;
using kv::test::ReadFile;
using kv::test::TestDir;
namespace fs = std::filesystem;

constexpr std::size_t kShrinkingSize = 1536 * 1024;  // three blocks at level 1

enum class Trouble { kMissing, kShrinks };
enum class Cancel { kNone, kFirstOverall, kFileEvent };

struct FailureCase {
  const char* name;
  Trouble trouble;
  TKZAction answer;
  bool replace_first;  // the update also replaces the first member (the tail goes to a file)
  Cancel cancel;
  int native_error;           // expected through the failure event (0: none)
  bool archive_unchanged;     // the file is byte for byte as before
  bool troubled_member_kept;  // n2.txt ends up in the archive
};

constexpr FailureCase kCases[] = {
    {"MissingIgnored", Trouble::kMissing, fxaIgnore, false, Cancel::kNone,
     kNative::CannotOpenSourceFile, false, false},
    {"MissingRetried", Trouble::kMissing, fxaRetry, false, Cancel::kNone,
     kNative::CannotOpenSourceFile, false, true},
    {"MissingAborted", Trouble::kMissing, fxaAbort, false, Cancel::kNone,
     kNative::CannotOpenSourceFile, true, false},
    {"MissingAbortedWithTail", Trouble::kMissing, fxaAbort, true, Cancel::kNone,
     kNative::CannotOpenSourceFile, true, false},
    {"MissingIgnoredWithTail", Trouble::kMissing, fxaIgnore, true, Cancel::kNone,
     kNative::CannotOpenSourceFile, false, false},
    {"ShrinksIgnored", Trouble::kShrinks, fxaIgnore, false, Cancel::kNone,
     kNative::InvalidCompressedSize, false, false},
    {"ShrinksRetried", Trouble::kShrinks, fxaRetry, false, Cancel::kNone,
     kNative::InvalidCompressedSize, false, true},
    {"ShrinksAbortedWithTail", Trouble::kShrinks, fxaAbort, true, Cancel::kNone,
     kNative::InvalidCompressedSize, true, false},
    {"CancelAtFirstOverallEvent", Trouble::kMissing, fxaIgnore, true, Cancel::kFirstOverall, 0, true, false},
    {"CancelAtFileEvent", Trouble::kShrinks, fxaIgnore, false, Cancel::kFileEvent, 0, true, false},
    {"CancelAtFileEventWithTail", Trouble::kShrinks, fxaIgnore, true, Cancel::kFileEvent, 0, true, false},
};

class CommitFailures : public ::testing::TestWithParam<FailureCase> {};

TEST_P(CommitFailures, LeaveACompleteArchiveOrTheOldOneAndNoTemporaryFile) {
  const FailureCase& c = GetParam();
  TestDir dir;
  fs::create_directories(dir / "tmp");
  dir.Write("src/a.txt", Content(30000, 1));
  dir.Write("src/b.txt", Content(20000, 2));
  {
    TKolZip zip;
    zip.SetFileName(PathText(dir / "a.zip"));
    zip.OpenArchive(kModeCreate);
    zip.SetBaseDir(PathText(dir / "src"));
    zip.AddFiles(u"*.txt", kDefaultSearchAttr, u"");
    zip.CloseArchive();
  }
  const std::string before = ReadFile(dir / "a.zip");
  const std::string first_name = ReadWritten(before).entries[0].name;
  const std::string shrinking = Content(kShrinkingSize, 7);
  dir.Write("src/n1.txt", Content(10000, 11));
  dir.Write("src/n2.txt", shrinking);
  dir.Write("src/n3.txt", Content(12000, 13));
  if (c.replace_first) dir.Write("src/" + first_name, Content(25000, 21));

  RecordingZip zip;
  zip.SetFileName(PathText(dir / "a.zip"));
  zip.SetTempDir(PathText(dir / "tmp"));
  zip.answers = {c.answer};
  zip.on_failure = [&](TKZAction&) {  // a retry finds the source whole again
    dir.Write("src/n2.txt", shrinking);
  };
  bool shrunk = false;
  zip.cancel_at = [&](const std::string& event) {
    const bool n2_block = event.find("file process") == 0 && event.find("n2.txt") != std::string::npos &&
                          event.find(" 0 op") == std::string::npos;
    if (c.trouble == Trouble::kShrinks && n2_block && !shrunk) {
      shrunk = true;
      fs::resize_file(dir / "src/n2.txt", 1000);  // after the first block was written
      return c.cancel == Cancel::kFileEvent;
    }
    return c.cancel == Cancel::kFirstOverall && event.rfind("overall start", 0) == 0;
  };
  zip.OpenArchive();
  zip.SetBaseDir(PathText(dir / "src"));
  zip.BeginUpdate();
  zip.AddFiles(u"n*.txt", kDefaultSearchAttr, u"");
  if (c.replace_first) zip.AddFiles(platform::Utf8ToUtf16(first_name), kDefaultSearchAttr, u"");
  if (c.trouble == Trouble::kMissing) fs::remove(dir / "src/n2.txt");
  EXPECT_NO_THROW(zip.EndUpdate());
  const int entries_after = zip.DMHandle()->CDir.Count();
  zip.CloseArchive();

  const std::string after = ReadFile(dir / "a.zip");
  EXPECT_TRUE(TailFiles(dir / "tmp").empty()) << "no temporary file stays behind";
  const std::vector<int> expected_failures =
      c.native_error ? std::vector<int>{c.native_error} : std::vector<int>{};
  EXPECT_EQ(zip.failures, expected_failures);
  if (c.archive_unchanged) {
    EXPECT_EQ(after, before) << "the archive is exactly as before the update";
    EXPECT_EQ(entries_after, 2) << "and so is its directory";
    return;
  }
  const WrittenArchive w = ReadWritten(after);
  EXPECT_TRUE(Contiguous(w, 0)) << "no unreferenced bytes are left in the archive";
  EXPECT_EQ(Find(w, "n2.txt") != nullptr, c.troubled_member_kept);
  if (c.troubled_member_kept) {
    EXPECT_EQ(MemberBytes(after, *Find(w, "n2.txt")), shrinking);
  }
  ASSERT_NE(Find(w, "n1.txt"), nullptr);
  ASSERT_NE(Find(w, "n3.txt"), nullptr);
  EXPECT_EQ(MemberBytes(after, *Find(w, "n3.txt")), Content(12000, 13));
  EXPECT_EQ(w.entries.size(), c.troubled_member_kept ? 5u : 4u);
  EXPECT_EQ(static_cast<int>(w.entries.size()), entries_after);
}

INSTANTIATE_TEST_SUITE_P(Table, CommitFailures, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A stream that takes only up to `limit` bytes once armed, like a disk that fills up.
class FillingStream : public TKZMemoryStream {
 public:
  std::int64_t limit = -1;
  std::size_t Write(const void* buffer, std::size_t count) override {
    if (limit >= 0) {
      const std::int64_t room = std::max<std::int64_t>(0, limit - Position());
      count = std::min<std::size_t>(count, static_cast<std::size_t>(room));
    }
    return TKZMemoryStream::Write(buffer, count);
  }
};

TEST(DiskFull, ReachesTheFailureEventAsNative65AndAbortRestoresTheArchive) {
  for (TKZAction answer : {fxaAbort, fxaIgnore}) {
    TestDir dir;
    dir.Write("src/a.bin", Content(300000, 1, true));
    dir.Write("src/b.bin", Content(200000, 2, true));
    FillingStream stream;
    RecordingZip zip;
    zip.OpenArchive(stream, true);
    const std::string before = stream.bytes();
    zip.answers = {answer, answer};
    stream.limit = static_cast<std::int64_t>(before.size()) + 100000;
    zip.SetBaseDir(PathText(dir / "src"));
    EXPECT_NO_THROW(zip.AddFiles(u"*.bin", kDefaultSearchAttr, u""));
    ASSERT_FALSE(zip.failures.empty());
    EXPECT_EQ(zip.failures.front(), kNative::DiskFull);
    if (answer == fxaAbort) {
      EXPECT_EQ(stream.bytes(), before);
      EXPECT_EQ(zip.DMHandle()->CDir.Count(), 0);
    } else {
      // Both members were given up; what remains is a valid archive with nothing behind.
      const WrittenArchive w = ReadWritten(stream.bytes());
      EXPECT_TRUE(Contiguous(w, 0));
      EXPECT_EQ(stream.bytes().size(), 22u);
    }
    zip.CloseArchive();
  }
}

TEST(DiskFull, WhileWritingTheDirectoryRaisesAndRestoresTheArchive) {
  TestDir dir;
  dir.Write("src/a.bin", Content(1000, 1));
  FillingStream stream;
  RecordingZip zip;
  zip.OpenArchive(stream, true);
  const std::string before = stream.bytes();
  // Room for the stored member, not for its central header.
  zip.SetCompressionMode(0);
  stream.limit = 30 + 5 + 1000 + 20;
  zip.SetBaseDir(PathText(dir / "src"));
  try {
    zip.AddFiles(u"a.bin", kDefaultSearchAttr, u"");
    ADD_FAILURE() << "no error";
  } catch (const EKZException& e) {
    EXPECT_EQ(e.NativeError(), kNative::WriteToStreamFailed);
  }
  EXPECT_EQ(stream.bytes(), before);
  EXPECT_EQ(zip.DMHandle()->CDir.Count(), 0);
  zip.CloseArchive();
}

}  // namespace
}  // namespace kv::archive::test
