// The saved tail of a commit when the archive stops taking bytes: the commit fails while
// writing the directory, the rollback cannot copy the tail back either, and the tail file is
// kept as the only copy of the members behind the write start. Also: a tail file that cannot
// be created leaves the archive and the temporary folder as they were. The faults come from
// the POSIX stand-in (platform/posix/fault_injection.h).
#include <gtest/gtest.h>

#include "platform/errors.h"
#include "platform/posix/fault_injection.h"
#include "tests/archive/commit_test_support.h"

namespace kv::archive::test {
namespace {

using kv::test::PathText;
using kv::test::ReadFile;
using kv::test::TestDir;
namespace fs = std::filesystem;
namespace faults = kv::platform::posix;

// An archive of two members in `dir`/a.zip, made from `dir`/src.
std::string MakeArchive(const TestDir& dir) {
  fs::create_directories(dir / "tmp");
  dir.Write("src/a.txt", Content(30000, 1));
  dir.Write("src/b.txt", Content(20000, 2));
  TKolZip zip;
  zip.SetFileName(PathText(dir / "a.zip"));
  zip.OpenArchive(kModeCreate);
  zip.SetBaseDir(PathText(dir / "src"));
  zip.AddFiles(u"*.txt", kDefaultSearchAttr, u"");
  zip.CloseArchive();
  return ReadFile(dir / "a.zip");
}

TEST(TempTailFault, CopyBackFailsSoTheTailFileIsKeptAndTheFailureReported) {
  TestDir dir;
  const std::string before = MakeArchive(dir);
  // Replacing the second member puts everything from its local header on into the tail file.
  const WrittenEntry second = ReadWritten(before).entries[1];
  const auto write_start = static_cast<std::size_t>(second.offset);
  ASSERT_GT(write_start, 0u);
  dir.Write("src/" + second.name, Content(25000, 21));
  dir.Write("src/n1.txt", Content(10000, 11));

  const faults::FaultScope fault_scope;
  RecordingZip zip;
  zip.SetFileName(PathText(dir / "a.zip"));
  zip.SetTempDir(PathText(dir / "tmp"));
  // Once the last member is written the archive takes no more bytes: first the directory
  // fails, then the rollback's copy of the tail.
  zip.cancel_at = [&](const std::string& event) {
    if (event.rfind("file end", 0) == 0 && event.find("n1.txt") != std::string::npos)
      faults::FailNthWrite(1, u"a.zip", faults::WriteFaultLasts::UntilCleared);
    return false;
  };
  zip.OpenArchive();
  zip.SetBaseDir(PathText(dir / "src"));
  zip.BeginUpdate();
  zip.AddFiles(platform::Utf8ToUtf16(second.name), kDefaultSearchAttr, u"");
  zip.AddFiles(u"n1.txt", kDefaultSearchAttr, u"");
  try {
    zip.EndUpdate();
    ADD_FAILURE() << "the commit reported no failure";
  } catch (const EKZException& e) {
    EXPECT_EQ(e.NativeError(), kNative::WriteToStreamFailed) << platform::Utf16ToUtf8(e.Message());
  }
  EXPECT_GE(faults::RefusedWrites(), 2u) << "the directory and the copy back were both refused";
  faults::ClearFaults();
  zip.CloseArchive();

  const std::vector<std::string> tails = TailFiles(dir / "tmp");
  ASSERT_EQ(tails.size(), 1u) << "the tail file stays";
  const std::string tail = ReadFile(dir / "tmp" / tails.front());
  EXPECT_EQ(tail, before.substr(write_start)) << "it holds the old members from the write start on";
  const std::string after = ReadFile(dir / "a.zip");
  EXPECT_EQ(after, before.substr(0, write_start)) << "the archive holds nothing behind the write start";
  EXPECT_EQ(after + tail, before) << "together they are the archive as it was";
}

TEST(TempTailFault, RefusedTailFileLeavesArchiveAndTemporaryFolderAsTheyWere) {
  TestDir dir;
  const std::string before = MakeArchive(dir);
  const WrittenEntry first = ReadWritten(before).entries[0];
  dir.Write("src/" + first.name, Content(25000, 21));

  const faults::FaultScope fault_scope;
  RecordingZip zip;
  zip.SetFileName(PathText(dir / "a.zip"));
  zip.SetTempDir(PathText(dir / "tmp"));
  zip.OpenArchive();
  zip.SetBaseDir(PathText(dir / "src"));
  zip.BeginUpdate();
  zip.AddFiles(platform::Utf8ToUtf16(first.name), kDefaultSearchAttr, u"");
  faults::RefuseNextCreate(ENOSPC);
  try {
    zip.EndUpdate();
    ADD_FAILURE() << "the commit reported no failure";
  } catch (const platform::PlatformError& e) {
    EXPECT_EQ(e.os_error(), static_cast<std::uint32_t>(ENOSPC)) << e.what();
  }
  EXPECT_EQ(zip.DMHandle()->CDir.Count(), 2) << "the directory is as it was";
  zip.CloseArchive();

  EXPECT_TRUE(TailFiles(dir / "tmp").empty()) << "the unused temporary file was removed";
  EXPECT_EQ(ReadFile(dir / "a.zip"), before);
}

}  // namespace
}  // namespace kv::archive::test
