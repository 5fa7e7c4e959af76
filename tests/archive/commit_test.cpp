// Writing archives through AddFiles and the commit: packages behind a stub, member records,
// progress events, and in-place updates of existing archives.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "archive/dir_manager.h"
#include "platform/errors.h"
#include "tests/archive/commit_test_support.h"
#include "tests/archive/zip_fixture.h"

namespace kv::archive::test {
namespace {

using kv::test::PathText;
using kv::test::ReadFile;
using kv::test::TestDir;
namespace fs = std::filesystem;

constexpr std::size_t kStubSize = 3000;

// Creates `archive` (with a stub when one is given) and adds everything below `source`.
template <typename Zip = TKolZip>
void CreateArchive(Zip& zip, const fs::path& archive, const fs::path& source, const fs::path& stub = {},
                   const fs::path& temp = {}) {
  zip.SetFileName(PathText(archive));
  if (!stub.empty()) zip.SetSFXStub(PathText(stub));
  if (!temp.empty()) zip.SetTempDir(PathText(temp));
  zip.OpenArchive(kModeCreate);
  zip.SetBaseDir(PathText(source));
  zip.AddFiles(u"*.*", kDefaultSearchAttr, u"");
  zip.CloseArchive();
}

TEST(Package, StubThenMembersThenDirectoryWithOffsetsCountingTheStub) {
  TestDir dir;
  dir.Write("stub.exe", FakeStub(kStubSize));
  const std::string big = Content(100000, 3);
  dir.Write("src/a.dll", big);
  dir.Write("src/b.ocx", "");
  dir.Write("src/sub/c.dll", Content(5000, 4, true));
  fs::create_directories(dir / "tmp");
  TKolZip zip;
  CreateArchive(zip, dir / "p.exe", dir / "src", dir / "stub.exe", dir / "tmp");

  const std::string bytes = ReadFile(dir / "p.exe");
  EXPECT_EQ(bytes.substr(0, kStubSize), FakeStub(kStubSize));
  const WrittenArchive w = ReadWritten(bytes);
  ASSERT_EQ(w.entries.size(), 4u);
  EXPECT_EQ(w.entries[0].offset, kStubSize);
  EXPECT_TRUE(Contiguous(w, kStubSize));
  EXPECT_EQ(w.end_position, w.directory_offset + w.directory_size);
  EXPECT_EQ(w.end_position + 22, bytes.size());
  EXPECT_FALSE(w.zip64);
  EXPECT_TRUE(TailFiles(dir / "tmp").empty()) << "a new package needs no temporary file";

  std::set<std::string> names;
  for (const auto& x : w.entries) {
    names.insert(x.name);
    EXPECT_EQ(x.version_made, 20) << x.name;
    EXPECT_EQ(x.version_needed, 20) << x.name;
    EXPECT_EQ(x.local_version, 20) << x.name;
    EXPECT_EQ(x.local_name, x.name);
    EXPECT_EQ(x.local_crc, x.crc) << x.name;
    EXPECT_EQ(x.local_compressed, x.compressed) << x.name;
    EXPECT_EQ(x.local_uncompressed, x.uncompressed) << x.name;
    EXPECT_EQ(x.local_method, x.method) << x.name;
    EXPECT_EQ(x.local_flags & 0x0008, 0) << "no data descriptor";
  }
  EXPECT_EQ(names, (std::set<std::string>{"a.dll", "b.ocx", "sub/", "sub/c.dll"}));
  const WrittenEntry& a = *Find(w, "a.dll");
  EXPECT_EQ(a.method, kMethodDeflate);
  EXPECT_EQ(MemberBytes(bytes, a), big);
  EXPECT_EQ(a.crc, Crc32(big));
  const WrittenEntry& empty = *Find(w, "b.ocx");
  EXPECT_EQ(empty.method, kMethodStored);
  EXPECT_EQ(empty.crc, 0u);
  EXPECT_EQ(empty.compressed, 0u);
  EXPECT_EQ(empty.uncompressed, 0u);
  const WrittenEntry& folder = *Find(w, "sub/");
  EXPECT_EQ(folder.flags, kFlagFolderEntry);
  EXPECT_EQ(folder.method, kMethodStored);
  EXPECT_EQ(folder.crc, 0u);
  EXPECT_NE(folder.attributes & kAttrDirectory, 0u);
  EXPECT_EQ(MemberBytes(bytes, *Find(w, "sub/c.dll")), Content(5000, 4, true));

  TKolZip reader;
  reader.SetFileName(PathText(dir / "p.exe"));
  reader.OpenArchive();
  ASSERT_NE(reader.DMHandle(), nullptr);
  EXPECT_EQ(reader.DMHandle()->StubSize, static_cast<std::int64_t>(kStubSize));
  EXPECT_EQ(reader.DMHandle()->CDir.Count(), 4);
}

TEST(Package, ClosingANewArchiveWithNothingAddedLeavesStubAndOneEndRecord) {
  TestDir dir;
  dir.Write("stub.exe", FakeStub(kStubSize));
  fs::create_directories(dir / "empty");
  TKolZip zip;
  CreateArchive(zip, dir / "p.exe", dir / "empty", dir / "stub.exe");
  const std::string bytes = ReadFile(dir / "p.exe");
  ASSERT_EQ(bytes.size(), kStubSize + 22);
  EXPECT_EQ(bytes.substr(0, kStubSize), FakeStub(kStubSize));
  const auto end = TKZZipCentralDirEnd::Parse(std::string_view(bytes).substr(kStubSize));
  ASSERT_TRUE(end);
  EXPECT_EQ(end->entriesCentralDir, 0);
  EXPECT_EQ(end->centralDirSize, 0u);
  EXPECT_EQ(end->offsetStartDir, kStubSize);
  EXPECT_EQ(end->commentLength, 0);
}

TEST(Package, AMissingStubLeavesTheArchiveClosedWithTheOpenError) {
  TestDir dir;
  TKolZip zip;
  zip.SetFileName(PathText(dir / "p.exe"));
  zip.SetSFXStub(PathText(dir / "missing.exe"));
  EXPECT_THROW(zip.OpenArchive(kModeCreate), platform::PlatformError);
  EXPECT_FALSE(zip.Active());
}

// The events of a commit, in order: per block a file and an overall event, before the block
// is read; an empty file has only its start and end.
TEST(CommitEvents, ComeInTheOrderTheOwnerExpects) {
  TestDir dir;
  dir.Write("src/big.bin", Content(1024 * 1024 + 1, 5));
  dir.Write("src/zero.bin", "");
  RecordingZip zip;
  zip.SetFileName(PathText(dir / "a.zip"));
  zip.OpenArchive(kModeCreate);
  zip.SetBaseDir(PathText(dir / "src"));
  zip.AddFiles(u"big.bin", kDefaultSearchAttr, u"");
  zip.AddFiles(u"zero.bin", kDefaultSearchAttr, u"");
  zip.CloseArchive();
  // Full source paths, shortened to what follows the source folder.
  auto named = [](std::string e) {
    for (auto& c : e) c = c == '\\' ? '/' : c;
    const auto at = e.find("/src/");
    return at == std::string::npos ? e : e.substr(0, e.rfind(' ', at) + 1) + "src/" + e.substr(at + 5);
  };
  std::vector<std::string> seen;
  for (const auto& e : zip.events) seen.push_back(named(e));
  const std::string path = "src/big.bin";
  const std::vector<std::string> first = {
      "overall start 0 op0",         "file start 0 op0 " + path,  "file process 0 op0 " + path,
      "overall process 0 op0",       "file process 49 op0 " + path, "overall process 49 op0",
      "file process 99 op0 " + path, "overall process 99 op0",      "file end 100 op0 " + path,
      "overall end 100 op0"};
  ASSERT_GE(seen.size(), first.size());
  EXPECT_EQ(std::vector<std::string>(seen.begin(), seen.begin() + 10), first);
  const std::string zero = "src/zero.bin";
  const std::vector<std::string> second = {"overall start 0 op0", "file start 0 op0 " + zero,
                                           "file end 100 op0 " + zero, "overall end 100 op0"};
  EXPECT_EQ(std::vector<std::string>(seen.begin() + 10, seen.end()), second);
}

// Adding to an existing archive: new names go where the old directory began, without a
// temporary file in TempDir; every update is built in "a.zip.kv-update.tmp" beside the archive.
class InPlaceUpdate : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.Write("src/one.txt", Content(40000, 1));
    dir_.Write("src/two.txt", Content(30000, 2, true));
    dir_.Write("src/three.txt", Content(20000, 3));
    fs::create_directories(dir_ / "tmp");
    TKolZip zip;
    zip.SetFileName(PathText(dir_ / "a.zip"));
    zip.OpenArchive(kModeCreate);
    zip.SetBaseDir(PathText(dir_ / "src"));
    zip.AddFiles(u"*.txt", kDefaultSearchAttr, u"");
    zip.CloseArchive();
    before_ = ReadFile(dir_ / "a.zip");
  }
  // Adds `mask` from the source folder, noting the "FC" files present during the commit.
  void Add(const std::u16string& mask) {
    RecordingZip zip;
    zip.SetFileName(PathText(dir_ / "a.zip"));
    zip.SetTempDir(PathText(dir_ / "tmp"));
    zip.OnFileProgress = [&](TObject&, const std::u16string&, double, TKZProcessOperation, TKZProgressPhase,
                             bool&) {
      for (const auto& f : TailFiles(dir_ / "tmp")) seen_tail_.insert(f);
      if (fs::exists(dir_ / "a.zip.kv-update.tmp")) seen_update_file_ = true;
    };
    zip.OpenArchive();
    zip.SetBaseDir(PathText(dir_ / "src"));
    zip.AddFiles(mask, kDefaultSearchAttr, u"");
    zip.CloseArchive();
  }
  TestDir dir_;
  std::string before_;
  std::set<std::string> seen_tail_;
  bool seen_update_file_ = false;
};

TEST_F(InPlaceUpdate, AddingANewNameAppendsAtTheOldDirectoryWithoutATemporaryFile) {
  const WrittenArchive old_layout = ReadWritten(before_);
  dir_.Write("src/four.txt", Content(10000, 4));
  Add(u"four.txt");
  const std::string after = ReadFile(dir_ / "a.zip");
  const WrittenArchive w = ReadWritten(after);
  ASSERT_EQ(w.entries.size(), 4u);
  EXPECT_EQ(w.entries[3].name, "four.txt");
  EXPECT_EQ(w.entries[3].offset, old_layout.directory_offset);
  EXPECT_EQ(after.substr(0, old_layout.directory_offset), before_.substr(0, old_layout.directory_offset));
  EXPECT_TRUE(seen_tail_.empty());
  EXPECT_TRUE(TailFiles(dir_ / "tmp").empty());
  EXPECT_EQ(MemberBytes(after, w.entries[3]), Content(10000, 4));
}

TEST_F(InPlaceUpdate, ReplacingTheFirstMemberBuildsTheArchiveBesideItAndLeavesNoTemporaryFile) {
  const WrittenArchive old_layout = ReadWritten(before_);
  const std::string first_name = old_layout.entries[0].name;
  dir_.Write("src/" + first_name, Content(50000, 9));
  Add(platform::Utf8ToUtf16(first_name));
  const std::string after = ReadFile(dir_ / "a.zip");
  const WrittenArchive w = ReadWritten(after);
  ASSERT_EQ(w.entries.size(), 3u);
  EXPECT_TRUE(seen_tail_.empty()) << "no tail goes to TempDir";
  EXPECT_TRUE(seen_update_file_) << "the new archive is built beside the old one";
  EXPECT_FALSE(fs::exists(dir_ / "a.zip.kv-update.tmp")) << "and takes its place";
  EXPECT_TRUE(Contiguous(w, 0));
  EXPECT_EQ(w.entries[0].name, first_name);
  EXPECT_EQ(MemberBytes(after, w.entries[0]), Content(50000, 9));
  for (std::size_t i = 1; i < 3; ++i) {
    const WrittenEntry& o = old_layout.entries[i];
    const WrittenEntry& n = w.entries[i];
    EXPECT_EQ(n.name, o.name);
    EXPECT_EQ(after.substr(n.offset, n.end_offset - n.offset), before_.substr(o.offset, o.end_offset - o.offset))
        << "unchanged member " << o.name << " is copied byte for byte";
    EXPECT_EQ(n.crc, o.crc);
  }
}

TEST(InPlaceUpdateOfAnotherToolsArchive, KeepsItsCentralExtraBlocks) {
  TestDir dir;
  const std::string foreign_extra("\xfe\xca\x04\x00WXYZ", 8);
  FixtureEntry keep, swap;
  keep.name = "keep.txt";
  keep.data = "old data";
  keep.extra = foreign_extra;
  swap.name = "swap.txt";
  swap.data = "to be replaced";
  swap.extra = foreign_extra;
  BuiltFixture fixture = BuildZip({keep, swap});
  dir.Write("a.zip", fixture.bytes);
  dir.Write("src/swap.txt", "new data for swap");
  TKolZip zip;
  zip.SetFileName(PathText(dir / "a.zip"));
  zip.SetTempDir(dir.text());
  zip.OpenArchive();
  zip.SetBaseDir(PathText(dir / "src"));
  zip.AddFiles(u"swap.txt", kDefaultSearchAttr, u"");
  zip.CloseArchive();
  const std::string after = ReadFile(dir / "a.zip");
  const WrittenArchive w = ReadWritten(after);
  ASSERT_EQ(w.entries.size(), 2u);
  EXPECT_EQ(w.entries[0].name, "keep.txt");
  EXPECT_EQ(w.entries[0].extra, foreign_extra) << "another tool's block survives the rewrite";
  EXPECT_EQ(after.substr(0, w.entries[0].end_offset), fixture.bytes.substr(0, w.entries[0].end_offset));
  EXPECT_EQ(MemberBytes(after, w.entries[1]), "new data for swap");
  EXPECT_TRUE(TailFiles(dir.path()).empty());
}

}  // namespace
}  // namespace kv::archive::test

namespace kv::archive::test {
namespace {

// An archive appended to a stub by another tool, its offsets counting from the stub's end:
// new members go where its directory really is, not where its end record says.
TEST(InPlaceUpdateBehindAStub, AppendsAtTheRealDirectoryWhenOffsetsCountFromTheStubsEnd) {
  kv::test::TestDir dir;
  FixtureEntry old_member;
  old_member.name = "old.txt";
  old_member.data = "old member data";
  FixtureOptions options;
  options.stub = FakeStub(700);
  options.offsets_from_stub_end = true;
  const BuiltFixture fixture = BuildZip({old_member}, options);
  dir.Write("a.exe", fixture.bytes);
  dir.Write("src/new.txt", "new member data");
  TKolZip zip;
  zip.SetFileName(kv::test::PathText(dir / "a.exe"));
  zip.OpenArchive();
  zip.SetBaseDir(kv::test::PathText(dir / "src"));
  zip.AddFiles(u"new.txt", kDefaultSearchAttr, u"");
  zip.CloseArchive();
  const std::string after = kv::test::ReadFile(dir / "a.exe");
  EXPECT_EQ(after.substr(0, static_cast<std::size_t>(fixture.directory_offset)),
            fixture.bytes.substr(0, static_cast<std::size_t>(fixture.directory_offset)));
  const WrittenArchive w = ReadWritten(after);
  ASSERT_EQ(w.entries.size(), 2u);
  EXPECT_EQ(w.entries[0].offset, 700u) << "offsets now count the stub";
  EXPECT_EQ(MemberBytes(after, w.entries[0]), "old member data");
  EXPECT_EQ(w.entries[1].offset, static_cast<std::uint64_t>(fixture.directory_offset));
  EXPECT_EQ(MemberBytes(after, w.entries[1]), "new member data");
}

}  // namespace
}  // namespace kv::archive::test
