// The new archive file of a commit when it stops taking bytes: the commit fails while writing
// the directory, the archive is left exactly as it was and the new file is removed. Also: a
// new file that cannot be created leaves the archive and its folder as they were. The faults
// come from the POSIX stand-in (platform/posix/fault_injection.h).
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

TEST(TempTailFault, DirectoryWriteFailsSoTheArchiveStaysAsItWasAndTheFailureIsReported) {
  TestDir dir;
  const std::string before = MakeArchive(dir);
  // Replacing the second member rewrites everything from its local header on.
  const WrittenEntry second = ReadWritten(before).entries[1];
  const auto write_start = static_cast<std::size_t>(second.offset);
  ASSERT_GT(write_start, 0u);
  dir.Write("src/" + second.name, Content(25000, 21));
  dir.Write("src/n1.txt", Content(10000, 11));

  const faults::FaultScope fault_scope;
  RecordingZip zip;
  zip.SetFileName(PathText(dir / "a.zip"));
  zip.SetTempDir(PathText(dir / "tmp"));
  // Once the last member is written the new archive takes no more bytes: the directory fails.
  zip.cancel_at = [&](const std::string& event) {
    if (event.rfind("file end", 0) == 0 && event.find("n1.txt") != std::string::npos)
      faults::FailNthWrite(1, u"a.zip.kv-update.tmp", faults::WriteFaultLasts::UntilCleared);
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
  EXPECT_GE(faults::RefusedWrites(), 1u) << "the directory was refused";
  faults::ClearFaults();
  EXPECT_EQ(zip.DMHandle()->CDir.Count(), 2) << "the directory is as it was";
  zip.CloseArchive();

  EXPECT_TRUE(TailFiles(dir / "tmp").empty());
  EXPECT_FALSE(fs::exists(dir / "a.zip.kv-update.tmp")) << "the new archive file was removed";
  EXPECT_EQ(ReadFile(dir / "a.zip"), before) << "the archive is exactly as it was";
}

TEST(TempTailFault, RefusedNewArchiveFileLeavesArchiveAndFoldersAsTheyWere) {
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

  EXPECT_TRUE(TailFiles(dir / "tmp").empty());
  EXPECT_FALSE(fs::exists(dir / "a.zip.kv-update.tmp")) << "no new archive file was made";
  EXPECT_EQ(ReadFile(dir / "a.zip"), before);
}

}  // namespace
}  // namespace kv::archive::test
