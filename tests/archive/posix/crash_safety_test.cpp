// An update killed at any moment: a child process (fork) runs the update with its file size
// limit set to N bytes, so the kernel kills it (SIGXFSZ) on the write that would pass byte N
// of the new archive, as a power loss or a crash would stop it mid-write. For N over the whole
// range the file under the archive's name is afterwards exactly the old archive or exactly the
// new one; ours, Python's zipfile and `unzip -t` read it; a leftover new-archive file is what
// it says and the next update removes it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "tests/archive/update_kinds.h"

namespace kv::archive::test {
namespace {

using kv::test::ReadFile;
using kv::test::TestDir;
namespace fs = std::filesystem;

// Runs the update in a child limited to `limit` bytes per file; true when it was killed.
bool UpdateInAChild(const TestDir& dir, const UpdateKind& kind, const std::string& before, rlim_t limit) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    const rlimit r{limit, limit};
    ::setrlimit(RLIMIT_FSIZE, &r);
    try {
      TKolZip zip;
      RunUpdate(zip, dir, kind, before);
    } catch (...) {
      ::_exit(3);
    }
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (WIFSIGNALED(status)) return WTERMSIG(status) == SIGXFSZ;
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the update fails without a kill at " << limit;
  return false;
}

bool PeersAccept(const fs::path& archive) {
  const std::string quoted = "'" + archive.string() + "'";
  const std::string python =
      "python3 -c 'import zipfile,sys; sys.exit(zipfile.ZipFile(sys.argv[1]).testzip() is not None)' " + quoted;
  return std::system((python + " >/dev/null 2>&1").c_str()) == 0 &&
         std::system(("unzip -tqq " + quoted + " >/dev/null 2>&1").c_str()) == 0;
}

class CrashSafety : public ::testing::TestWithParam<UpdateKind> {};

TEST_P(CrashSafety, AKillAtAnyByteLeavesTheOldArchiveOrTheNewOne) {
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

  // Every few hundred bytes across the new archive, and each of its last bytes (the
  // directory and end record), then one limit past its end: no kill.
  std::vector<rlim_t> limits;
  for (std::size_t n = 0; n < expected.size(); n += 997) limits.push_back(n);
  for (std::size_t n = expected.size() - std::min<std::size_t>(expected.size(), 300); n < expected.size(); n += 7)
    limits.push_back(n);
  limits.push_back(expected.size() + 1);
  int killed = 0, old_seen = 0, new_seen = 0;
  for (const rlim_t limit : limits) {
    dir.Write(archive.filename().string(), before);
    const bool was_killed = UpdateInAChild(dir, kind, before, limit);
    killed += was_killed ? 1 : 0;
    const std::string after = ReadFile(archive);
    ASSERT_TRUE(after == before || after == expected) << "a third thing after a kill at byte " << limit;
    (after == before ? old_seen : new_seen) += 1;
    if (was_killed) {
      ASSERT_EQ(after, before) << "killed before the switch";
      ASSERT_TRUE(fs::exists(UpdateFileOf(dir, kind))) << "the leftover says what it is, beside the archive";
    } else {
      EXPECT_FALSE(fs::exists(UpdateFileOf(dir, kind)));
    }
    if (limit % 9 == 0) {  // the peers are slow: a sample of the points
      EXPECT_TRUE(PeersAccept(archive)) << "at byte " << limit;
    }
  }
  EXPECT_GT(killed, 20);
  EXPECT_GT(old_seen, 0);
  EXPECT_GT(new_seen, 0);

  // The next update removes the leftover of the last kill and completes.
  dir.Write(archive.filename().string(), before);
  ASSERT_TRUE(UpdateInAChild(dir, kind, before, expected.size() / 2));
  {
    TKolZip zip;
    RunUpdate(zip, dir, kind, before);
  }
  EXPECT_EQ(ReadFile(archive), expected);
  EXPECT_FALSE(fs::exists(UpdateFileOf(dir, kind)));
  EXPECT_TRUE(PeersAccept(archive));
}

INSTANTIATE_TEST_SUITE_P(Table, CrashSafety, ::testing::ValuesIn(kUpdateKinds),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kv::archive::test
