// Rebuilding the directory from local headers when the central directory is missing or
// unreadable.
#include <gtest/gtest.h>

#include "archive/dir_manager.h"
#include "tests/archive/archive_test_support.h"
#include "tests/archive/zip_fixture.h"

namespace kv::archive::test {
namespace {

using kv::test::TestDir;

std::vector<FixtureEntry> Entries() {
  return {
      {"a.txt", "alpha"},
      {"folder/", "", 0, kAttrDirectory},
      {"folder/b.bin", std::string(700, 'b')},
  };
}

// The archive without its end record (and everything after the directory).
std::string WithoutEndRecord(const BuiltFixture& built) {
  return built.bytes.substr(0, static_cast<std::size_t>(built.end_record_offset));
}

TEST(Recovery, EndRecordRemovedRebuildsItemsFromTheLocalHeaders) {
  TestDir dir;
  const auto built = BuildZip(Entries());
  const std::string bytes = WithoutEndRecord(built);
  EXPECT_EQ(OpenError(dir, "noend.zip", bytes, false), kNative::DamagedNoEndRecord);
  auto zip = OpenBytes(dir, "noend2.zip", bytes, true);
  const TKZDirManager& dm = *zip->DMHandle();
  ASSERT_EQ(dm.CDir.Count(), 3);
  EXPECT_EQ(dm.CentralDirOffset, static_cast<std::int64_t>(bytes.size()));
  EXPECT_EQ(dm.StubSize, 0);
  const auto entries = Entries();
  for (int i = 0; i < 3; ++i) {
    const TDirItem& item = dm.CDir[i];
    const FixtureEntry& e = entries[static_cast<std::size_t>(i)];
    EXPECT_EQ(item.CentralDir.signature, kCentralHeaderSignature);
    EXPECT_EQ(item.CentralDir.crc32, Crc32(e.data)) << i;
    EXPECT_EQ(item.CentralDir.unCompSize, e.data.size()) << i;
    EXPECT_EQ(item.CentralDir.lastModTime, e.time) << i;
    EXPECT_EQ(item.LocalHeaderOffset(),
              static_cast<std::uint64_t>(built.local_offsets[static_cast<std::size_t>(i)]));
    EXPECT_EQ(item.CentralDir.commentLength, 0);
  }
  EXPECT_EQ(dm.CDir[0].CentralDir.externalAttr, kAttrArchive);
  EXPECT_EQ(dm.CDir[1].CentralDir.externalAttr, kAttrDirectory);  // no size, no descriptor: a folder
  EXPECT_EQ(zip->FileCount(), 2);
}

TEST(Recovery, TruncatedDirectoryIsRebuilt) {
  TestDir dir;
  const auto built = BuildZip(Entries());
  // Cut inside the second central header; the end record stays at the end.
  std::string bytes = built.bytes.substr(0, static_cast<std::size_t>(built.directory_offset + 60)) +
                      built.bytes.substr(static_cast<std::size_t>(built.end_record_offset));
  EXPECT_NE(OpenError(dir, "cut.zip", bytes, false), -1);
  auto zip = OpenBytes(dir, "cut2.zip", bytes, true);
  EXPECT_EQ(zip->DMHandle()->CDir.Count(), 3);
}

TEST(Recovery, ExecutableWithoutArchiveFailsWith35) {
  TestDir dir;
  EXPECT_EQ(OpenError(dir, "plain.exe", FakeStub(20000), true), kNative::InvalidArchive);
  EXPECT_EQ(OpenError(dir, "plain2.exe", FakeStub(20000), false), kNative::DamagedNoEndRecord);
}

TEST(Recovery, SignaturesInsideAnExecutableBecomeItemsOnlyWhenPlausible) {
  TestDir dir;
  std::string exe = FakeStub(4000);
  TKZLocalFileHeader plausible;
  plausible.compSize = 10;
  plausible.unCompSize = 10;
  plausible.nameLength = 3;
  TKZLocalFileHeader too_big = plausible;
  too_big.compSize = 1u << 30;  // larger than the file
  TKZLocalFileHeader huge_extra = plausible;
  huge_extra.extraLength = 261;
  exe.replace(100, 33, plausible.ToBytes() + "abc");
  exe.replace(1000, 30, too_big.ToBytes());
  exe.replace(2000, 30, huge_extra.ToBytes());
  exe.replace(3990, 4, "PK\x03\x04");  // fewer than 30 bytes remain: no header
  auto zip = OpenBytes(dir, "tool.exe", exe, true);
  ASSERT_EQ(zip->DMHandle()->CDir.Count(), 1);
  EXPECT_EQ(zip->DMHandle()->CDir[0].Name, u"abc");
  EXPECT_EQ(zip->DMHandle()->CDir[0].LocalHeaderOffset(), 100u);
}

TEST(Recovery, EmptyNameFollowedByAnotherFailsWith59) {
  TestDir dir;
  const auto built = BuildZip({{"", "a"}, {"b", "b"}});
  EXPECT_EQ(OpenError(dir, "empty.zip", WithoutEndRecord(built), true), kNative::NameTakenByOtherItem);
}

TEST(Recovery, DataDescriptorSuppliesCrcAndSizes) {
  TestDir dir;
  // One member written with flag bit 3: zeros in its header, the values behind the data.
  const std::string data = "streamed member";
  TKZLocalFileHeader lh;
  lh.genPurposeFlag = kFlagDataDescriptor;
  lh.nameLength = 6;
  TKZDataDescriptor dd;
  dd.crc32 = Crc32(data);
  dd.compSize = dd.unCompSize = static_cast<std::uint32_t>(data.size());
  const std::string bytes = lh.ToBytes() + "stream" + data + dd.ToBytes() + BuildZip({{"next", "n"}}).bytes;
  auto zip = OpenBytes(dir, "dd.zip", bytes.substr(0, bytes.size() - 22), true);  // drop the end record
  ASSERT_GE(zip->DMHandle()->CDir.Count(), 1);
  const TDirItem& item = zip->DMHandle()->CDir[0];
  EXPECT_EQ(item.CentralDir.crc32, dd.crc32);
  EXPECT_EQ(item.CentralDir.unCompSize, data.size());
  EXPECT_EQ(item.CentralDir.externalAttr, kAttrArchive);  // a descriptor means data
}

TEST(Recovery, RecoveredNamesTakeTheOemStepOnlyAfterAZipEndRecord) {
  TestDir dir;
  const auto built = BuildZip({{"caf\x82", "x"}, {"two", "y"}});
  // No end record at all: ANSI bytes.
  auto no_end = OpenBytes(dir, "n1.zip", WithoutEndRecord(built), true);
  EXPECT_EQ(no_end->DMHandle()->CDir[0].Name, u"caf\u201A");
  // An end record with 0xFFFF entries and no Zip64 records: recovery after a ZIP end record.
  std::string bytes = built.bytes;
  Put16(bytes, built.end_record_offset + 10, 0xFFFF);
  Put16(bytes, built.end_record_offset + 8, 0xFFFF);
  auto after_end = OpenBytes(dir, "n2.zip", bytes, true);
  EXPECT_EQ(after_end->DMHandle()->CDir[0].Name, u"caf\u00E9");
}

TEST(Recovery, DenseSignaturesAreScannedInOnePass) {
  TestDir dir;
  // 256 KiB of local header signatures: every one is a candidate, none is plausible (the
  // compressed size field holds signature bytes, larger than the file), so the open fails
  // with nothing recovered. A scan that restarted its window at every candidate would read
  // gigabytes here.
  std::string bytes;
  for (int i = 0; i < (1 << 16); ++i) bytes += "PK\x03\x04";
  EXPECT_EQ(OpenError(dir, "dense.zip", bytes, true), kNative::InvalidArchive);
}

}  // namespace
}  // namespace kv::archive::test
