// Loading existing archives: the end record search, the directory, names, and where the
// archive begins behind a stub. Archives are built byte by byte (zip_fixture.h).
#include <gtest/gtest.h>

#include "archive/dir_manager.h"
#include "archive/extra_fields.h"
#include "platform/unicode.h"
#include "tests/archive/archive_test_support.h"
#include "tests/archive/zip_fixture.h"

namespace kv::archive::test {
namespace {

using kv::test::TestDir;

std::vector<FixtureEntry> ThreeEntries() {
  return {
      {"readme.txt", "hello, world\r\n", 0, kAttrArchive, "", "first comment", 0x6000, 0x5A21},
      {"lib/", "", 0, kAttrDirectory, "", "", 0x7000, 0x5A22},
      {"lib/setup.dll", std::string(3000, 'x'), 0, kAttrArchive | kAttrReadOnly, "", "", 0x8000, 0x5A23},
  };
}

std::string Utf16LeBlock(std::uint16_t id, const std::u16string& name) {
  TUnicodeExtendedInfo info;
  info.SetName(name);
  const std::string data = info.ToBytes();
  std::string out;
  out += static_cast<char>(id & 0xFF);
  out += static_cast<char>(id >> 8);
  out += static_cast<char>(data.size() & 0xFF);
  out += static_cast<char>(data.size() >> 8);
  return out + data;
}

TEST(Load, PlainArchiveListsEveryEntryWithItsFields) {
  TestDir dir;
  FixtureOptions options;
  options.archive_comment = "archive comment";
  const auto built = BuildZip(ThreeEntries(), options);
  auto zip = OpenBytes(dir, "plain.zip", built.bytes, false);
  const TKZDirManager& dm = *zip->DMHandle();
  ASSERT_EQ(dm.CDir.Count(), 3);
  EXPECT_EQ(zip->FileCount(), 2);
  EXPECT_EQ(zip->Comment(), "archive comment");
  EXPECT_EQ(dm.StubSize, 0);
  EXPECT_EQ(dm.CentralDirOffset, built.directory_offset);
  const auto entries = ThreeEntries();
  for (int i = 0; i < 3; ++i) {
    const TDirItem& item = dm.CDir[i];
    const FixtureEntry& e = entries[static_cast<std::size_t>(i)];
    EXPECT_EQ(item.Name, platform::Utf8ToUtf16(e.name));
    EXPECT_EQ(item.UncompressedSize(), e.data.size());
    EXPECT_EQ(item.CentralDir.crc32, Crc32(e.data));
    EXPECT_EQ(item.CentralDir.lastModTime, e.time);
    EXPECT_EQ(item.CentralDir.lastModDate, e.date);
    EXPECT_EQ(item.CentralDir.externalAttr, e.attributes);
    EXPECT_EQ(item.Comment, e.comment);
    EXPECT_EQ(item.LocalHeaderOffset(), static_cast<std::uint64_t>(built.local_offsets[static_cast<std::size_t>(i)]));
  }
}

struct StubCase {
  const char* label;
  std::size_t stub_size;
  bool offsets_from_stub_end;
  bool empty_first_item;
};

constexpr StubCase kStubCases[] = {
    {"offsets from the file start", 5000, false, false},
    {"offsets from the stub's end", 5000, true, false},
    {"from the stub's end, first item without data", 5000, true, true},
    {"from the file start, first item without data", 5000, false, true},
};

TEST(Load, StubInFrontIsFoundAndOffsetsEndUpCountingFromTheFileStart) {
  for (const StubCase& c : kStubCases) {
    TestDir dir;
    std::vector<FixtureEntry> entries = ThreeEntries();
    if (c.empty_first_item) std::swap(entries[0], entries[1]);  // folder first
    FixtureOptions options;
    options.stub = FakeStub(c.stub_size);
    options.offsets_from_stub_end = c.offsets_from_stub_end;
    const auto built = BuildZip(entries, options);
    auto zip = OpenBytes(dir, "package.exe", built.bytes);
    const TKZDirManager& dm = *zip->DMHandle();
    ASSERT_EQ(dm.CDir.Count(), 3) << c.label;
    EXPECT_EQ(dm.StubSize, built.local_offsets[0]) << c.label;
    for (int i = 0; i < 3; ++i) {
      const TDirItem& item = dm.CDir[i];
      auto expected = static_cast<std::uint64_t>(built.local_offsets[static_cast<std::size_t>(i)]);
      // A folder item keeps the offset as stored.
      if (item.IsFolder() && c.offsets_from_stub_end) expected -= c.stub_size;
      EXPECT_EQ(item.LocalHeaderOffset(), expected) << c.label << " item " << i;
    }
  }
}

TEST(Load, EmptyArchiveBehindAStubHasEverythingBeforeTheEndRecordAsStub) {
  TestDir dir;
  FixtureOptions options;
  options.stub = FakeStub(3000);
  const auto built = BuildZip({}, options);
  auto zip = OpenBytes(dir, "empty.exe", built.bytes);
  EXPECT_EQ(zip->DMHandle()->CDir.Count(), 0);
  EXPECT_EQ(zip->DMHandle()->StubSize, 3000);
  EXPECT_EQ(zip->Size(), 3022);
}

TEST(Load, ArchiveStoredInsideAnotherIsNotMistakenForIt) {
  TestDir dir;
  const auto inner = BuildZip({{"inner.txt", "inner data"}});
  const auto outer = BuildZip({{"outer.txt", "outer"}, {"inner.zip", inner.bytes}});
  auto zip = OpenBytes(dir, "outer.zip", outer.bytes, false);
  ASSERT_EQ(zip->DMHandle()->CDir.Count(), 2);
  EXPECT_EQ(zip->DMHandle()->CDir[1].Name, u"inner.zip");
  // With the outer end record spoilt, the inner one (nearer the end than nothing) is taken.
  std::string spoilt = outer.bytes;
  Put16(spoilt, outer.end_record_offset + 20, 0xFFFF);  // its comment would run past the end
  auto inner_zip = OpenBytes(dir, "spoilt.zip", spoilt, false);
  ASSERT_EQ(inner_zip->DMHandle()->CDir.Count(), 1);
  EXPECT_EQ(inner_zip->DMHandle()->CDir[0].Name, u"inner.txt");
}

TEST(Load, GarbageAfterTheCommentIsAllowed) {
  TestDir dir;
  FixtureOptions options;
  options.archive_comment = "note";
  options.trailing = std::string(500, '\x7F');
  auto zip = OpenBytes(dir, "trailing.zip", BuildZip(ThreeEntries(), options).bytes, false);
  EXPECT_EQ(zip->DMHandle()->CDir.Count(), 3);
  EXPECT_EQ(zip->Comment(), "note");
}

TEST(Load, EndRecordWhoseCommentRunsPastTheEndIsRejected) {
  TestDir dir;
  const auto built = BuildZip(ThreeEntries());
  std::string bytes = built.bytes;
  Put16(bytes, built.end_record_offset + 20, 10);  // 10 comment bytes announced, none present
  EXPECT_EQ(OpenError(dir, "past.zip", bytes, false), kNative::DamagedNoEndRecord);
  auto zip = OpenBytes(dir, "past2.zip", bytes, true);  // recovery from local headers
  ASSERT_EQ(zip->DMHandle()->CDir.Count(), 3);
  EXPECT_EQ(zip->DMHandle()->CDir[2].Name, u"lib/setup.dll");
  EXPECT_EQ(zip->DMHandle()->CentralDirOffset, static_cast<std::int64_t>(bytes.size()));
}

TEST(Load, FileShorterThanAnEndRecordHasNone) {
  TestDir dir;
  const std::string tiny = TKZZipCentralDirEnd{}.ToBytes().substr(0, 21);
  EXPECT_EQ(OpenError(dir, "tiny.zip", tiny, false), kNative::DamagedNoEndRecord);
  EXPECT_EQ(OpenError(dir, "tiny2.zip", tiny, true), kNative::InvalidArchive);
  EXPECT_EQ(OpenError(dir, "zero.zip", "", true), kNative::InvalidArchive);
}

TEST(Load, Zip64EndRecordsCarry65536Entries) {
  TestDir dir;
  std::vector<FixtureEntry> entries(65536);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    entries[i].name = std::to_string(100000 + i);
    entries[i].name.insert(0, 1, 'f');
    entries[i].data = (i % 1000 == 0) ? "data" : "";
  }
  FixtureOptions options;
  options.zip64_end_records = true;
  auto zip = OpenBytes(dir, "many.zip", BuildZip(entries, options).bytes, false);
  const TKZDirManager& dm = *zip->DMHandle();
  EXPECT_TRUE(dm.IsZip64());
  ASSERT_EQ(dm.CDir.Count(), 65536);
  EXPECT_EQ(dm.CDir[65535].Name, u"f165535");
  EXPECT_EQ(dm.CentralDirEnd.entriesCentralDir, 0xFFFF);
  std::int32_t at = -1;
  EXPECT_TRUE(dm.CDir.NameList().Count() == 65536);
  EXPECT_TRUE(zip->DMHandle()->CDir.FileExists(u"F123456", at));
  EXPECT_EQ(at, 23456);
}

TEST(Load, Zip64LocatorWithoutItsRecordFailsWith40) {
  TestDir dir;
  FixtureOptions options;
  options.zip64_end_records = true;
  const auto built = BuildZip(ThreeEntries(), options);
  std::string bytes = built.bytes;
  const std::int64_t locator = built.end_record_offset - 20;
  Put32(bytes, locator + 8, 7);  // points into the first member's data
  EXPECT_EQ(OpenError(dir, "z64.zip", bytes, true), kNative::NoZip64EndRecord);
  Put32(bytes, locator + 8, 0xFFFFFFF0);  // points beyond the file
  Put32(bytes, locator + 12, 0x7FFFFFFF);
  EXPECT_EQ(OpenError(dir, "z64b.zip", bytes, true), kNative::NoZip64EndRecord);
}

TEST(Load, FFFFEntriesWithoutZip64RecordsGoToRecovery) {
  TestDir dir;
  const auto built = BuildZip(ThreeEntries());
  std::string bytes = built.bytes;
  Put16(bytes, built.end_record_offset + 8, 0xFFFF);
  Put16(bytes, built.end_record_offset + 10, 0xFFFF);
  auto zip = OpenBytes(dir, "ffff.zip", bytes, true);
  EXPECT_EQ(zip->DMHandle()->CDir.Count(), 3);
  EXPECT_EQ(zip->DMHandle()->CDir[0].Comment, "");  // rebuilt from local headers
}

struct NameCase {
  const char* label;
  FixtureEntry entry;
  std::u16string expected;
};

TEST(Load, NamesDecodeFromCodePagesUtf8AndTheUnicodeBlock) {
  const NameCase cases[] = {
      {"code page 437", {"caf\x82.dll", "x"}, u"caf\u00E9.dll"},
      {"utf-8 with flag", {"\xE6\x97\xA5.dll", "x", kFlagUtf8Name}, u"\u65E5.dll"},
      {"utf-8 without flag", {"\xD0\x96.dll", "x"}, u"\u0416.dll"},
      {"unicode block overrides",
       {"x.dll", "x", 0, kAttrArchive, Utf16LeBlock(kUnicodeNameExtraId, u"\u65E5\u672C.dll")},
       u"\u65E5\u672C.dll"},
      {"broken unicode block is ignored",
       {"x.dll", "x", 0, kAttrArchive, Utf16LeBlock(kUnicodeNameExtraId, u"ab").substr(0, 10)},
       u"x.dll"},
  };
  for (const NameCase& c : cases) {
    TestDir dir;
    auto zip = OpenBytes(dir, "names.zip", BuildZip({c.entry, {"second", "y"}}).bytes, false);
    ASSERT_EQ(zip->DMHandle()->CDir.Count(), 2) << c.label;
    EXPECT_EQ(zip->DMHandle()->CDir[0].Name, c.expected) << c.label;
    std::int32_t at = -1;
    EXPECT_TRUE(zip->DMHandle()->CDir.FileExists(c.expected, at)) << c.label;
  }
}

TEST(Load, OemNamesOffReadsAnsiBytes) {
  TestDir dir;
  const std::string bytes = BuildZip({{"caf\xE9.dll", "x"}}).bytes;
  auto zip = std::make_unique<TKolZip>();
  zip->SetFileName(kv::test::PathText(dir.Write("ansi.zip", bytes)));
  zip->Options().SetOEMFileNames(false);
  zip->OpenArchive(kModeReadShared);
  EXPECT_EQ(zip->DMHandle()->CDir[0].Name, u"caf\u00E9.dll");
}

TEST(Load, CompressedSizesBeyondTheFileFailWith57OnlyWhenCorruptedArchivesAreRefused) {
  TestDir dir;
  const auto built = BuildZip(ThreeEntries());
  std::string bytes = built.bytes;
  Put32(bytes, built.directory_offset + 20, 0x7FFFFFFF);  // first item's compressed size
  EXPECT_EQ(OpenError(dir, "sizes.zip", bytes, false), kNative::DamagedDirectory);
  EXPECT_EQ(OpenError(dir, "sizes2.zip", bytes, true), -1);
}

TEST(Load, EmptyNameFollowedByMoreEntriesFailsWith59EvenThroughRecovery) {
  TestDir dir;
  const std::string bytes = BuildZip({{"", "a"}, {"b.txt", "b"}}).bytes;
  EXPECT_EQ(OpenError(dir, "empty-name.zip", bytes, false), kNative::NameTakenByOtherItem);
  EXPECT_EQ(OpenError(dir, "empty-name2.zip", bytes, true), kNative::NameTakenByOtherItem);
}

struct DamageCase {
  const char* label;
  std::int64_t offset;  // relative to the end record, or to the directory when negative below
  bool from_directory;
  std::uint32_t value;
  int width;
  int error_refused;  // native error with OpenCorruptedArchives off
};

constexpr DamageCase kDamage[] = {
    {"more entries than the directory holds", 10, false, 60000, 2, kNative::DamagedDirectory},
    {"directory size larger than in front of the end record", 12, false, 0x7FFFFFF0, 4,
     kNative::DamagedNoEndRecord},
    {"directory size smaller than the directory", 12, false, 50, 4, kNative::DamagedDirectory},
    {"name length past the end", 28, true, 0xFFFF, 2, kNative::DamagedDirectory},
    {"extra length past the end", 30, true, 0xFFFF, 2, kNative::DamagedDirectory},
    {"comment length past the end", 32, true, 0xFFFF, 2, kNative::DamagedDirectory},
    {"wrong central header signature", 0, true, 0x12345678, 4, kNative::DamagedDirectory},
};

TEST(Load, DamagedDirectoryFailsWhenRefusedAndIsRebuiltOtherwise) {
  for (const DamageCase& c : kDamage) {
    TestDir dir;
    const auto built = BuildZip(ThreeEntries());
    std::string bytes = built.bytes;
    const std::int64_t at = (c.from_directory ? built.directory_offset : built.end_record_offset) + c.offset;
    if (c.width == 2) Put16(bytes, at, static_cast<std::uint16_t>(c.value));
    else Put32(bytes, at, c.value);
    EXPECT_EQ(OpenError(dir, "damaged.zip", bytes, false), c.error_refused) << c.label;
    auto zip = OpenBytes(dir, "damaged2.zip", bytes, true);
    ASSERT_EQ(zip->DMHandle()->CDir.Count(), 3) << c.label;
    EXPECT_EQ(zip->DMHandle()->CDir[2].Name, u"lib/setup.dll") << c.label;
    EXPECT_EQ(zip->DMHandle()->StubSize, 0) << c.label;
  }
}

// A central record whose sizes (or offset) hold all ones, with a Zip64 block of some length.
struct Zip64BlockCase {
  const char* label;
  bool sizes_marked;
  bool offset_marked;
  std::size_t block_size;  // 0: no Zip64 block at all
  bool damaged;
};

constexpr Zip64BlockCase kZip64Blocks[] = {
    {"both sizes marked, 16-byte block", true, false, 16, false},
    {"both sizes marked, 8-byte block", true, false, 8, true},
    {"both sizes marked, no block", true, false, 0, true},
    {"sizes and offset marked, 16-byte block", true, true, 16, true},
    {"sizes and offset marked, 24-byte block", true, true, 24, false},
};

TEST(Load, Zip64BlockTooShortForItsMarkedFieldsIsADamagedEntry) {
  for (const Zip64BlockCase& c : kZip64Blocks) {
    TestDir dir;
    const std::string data = "hello, world\r\n";
    std::string block;
    if (c.block_size > 0) {
      block = std::string("\x01\x00", 2) + static_cast<char>(c.block_size) + '\0' + std::string(c.block_size, '\0');
      // The values in their order: uncompressed size, compressed size, offset.
      for (std::size_t at = 0; at + 8 <= std::min<std::size_t>(c.block_size, 16); at += 8)
        Put32(block, static_cast<std::int64_t>(4 + at), static_cast<std::uint32_t>(data.size()));
    }
    auto entries = ThreeEntries();
    entries[0] = FixtureEntry{"readme.txt", data, 0, kAttrArchive, block};
    const auto built = BuildZip(entries);
    std::string bytes = built.bytes;
    if (c.sizes_marked) {
      Put32(bytes, built.directory_offset + 20, kZip64Marker32);
      Put32(bytes, built.directory_offset + 24, kZip64Marker32);
    }
    if (c.offset_marked) Put32(bytes, built.directory_offset + 42, kZip64Marker32);
    if (!c.damaged) {
      auto zip = OpenBytes(dir, "z64.zip", bytes, false);
      EXPECT_EQ(zip->DMHandle()->CDir[0].CompressedSize(), data.size()) << c.label;
      EXPECT_EQ(zip->DMHandle()->CDir[0].UncompressedSize(), data.size()) << c.label;
      continue;
    }
    EXPECT_EQ(OpenError(dir, "z64.zip", bytes, false), kNative::DamagedDirectory) << c.label;
    // With damaged archives allowed, the entries are rebuilt from their local headers.
    auto zip = OpenBytes(dir, "z64b.zip", bytes, true);
    ASSERT_EQ(zip->DMHandle()->CDir.Count(), 3) << c.label;
    EXPECT_EQ(zip->DMHandle()->CDir[0].CompressedSize(), data.size()) << c.label;
  }
}

TEST(Load, FailedOpenLeavesTheObjectClosedAndTheFileUnchanged) {
  TestDir dir;
  const std::string bytes = BuildZip({{"", "a"}, {"b.txt", "b"}}).bytes;
  auto path = dir.Write("bad.zip", bytes);
  TKolZip zip;
  zip.SetFileName(kv::test::PathText(path));
  EXPECT_EQ(NativeErrorOf([&] { zip.OpenArchive(); }), kNative::NameTakenByOtherItem);
  EXPECT_FALSE(zip.Active());
  EXPECT_EQ(zip.DMHandle(), nullptr);
  EXPECT_EQ(zip.CompressedStream(), nullptr);
  zip.CloseArchive();
  EXPECT_EQ(kv::test::ReadFile(path), bytes);
}

}  // namespace
}  // namespace kv::archive::test
