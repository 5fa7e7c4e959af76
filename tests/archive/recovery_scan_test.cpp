// The recovery scan of damaged archives: folders told by their names, members skipped over
// whole (so a stored archive inside yields no items of its own), and members written with
// data descriptors (flag bit 3) in each of the shapes streaming writers use. Archives are built
// byte by byte; the central directory is left out so that the scan has to do the work.
#include <gtest/gtest.h>

#include "archive/dir_manager.h"
#include "archive/stream.h"
#include "tests/archive/archive_test_support.h"
#include "tests/archive/extract_fixture.h"
#include "tests/archive/zip_fixture.h"

namespace kv::archive::test {
namespace {

using kv::test::TestDir;

std::string WithoutEndRecord(const BuiltFixture& built) {
  return built.bytes.substr(0, static_cast<std::size_t>(built.end_record_offset));
}

// Only the local headers and data of a built archive: no directory, no end record.
std::string LocalPartOnly(const BuiltFixture& built) {
  return built.bytes.substr(0, static_cast<std::size_t>(built.directory_offset));
}

// An archive object whose members can be read into memory, as the command line's test does.
struct ReadingZip : TKolZip {
  using TKZBaseArchiver::ExtractItemToStream;
};

std::unique_ptr<ReadingZip> OpenBytes(const TestDir& dir, const std::string& file_name,
                                      const std::string& bytes, bool open_corrupted) {
  auto zip = std::make_unique<ReadingZip>();
  zip->Name = u"archiver";
  zip->SetFileName(kv::test::PathText(dir.Write(file_name, bytes)));
  zip->SetOpenCorruptedArchives(open_corrupted);
  zip->OpenArchive(kModeReadShared);
  return zip;
}

// The bytes extraction of item `index` gives; `error` gets the native error, or -1.
std::string ExtractToMemory(ReadingZip& zip, std::int32_t index, int& error) {
  TKZMemoryStream out;
  error = NativeErrorOf([&] { zip.ExtractItemToStream(index, out); });
  return out.bytes();
}

std::vector<std::u16string> Names(const TKolZip& zip) {
  std::vector<std::u16string> names;
  const TKZDirArray& dir = zip.DMHandle()->CDir;
  for (std::int32_t i = 0; i < dir.Count(); ++i) names.push_back(dir[i].Name);
  return names;
}

struct FolderCase {
  const char* name;
  const char* data;
  std::uint16_t flags;
  bool folder;
};

constexpr FolderCase kFolderCases[] = {
    {"empty.txt", "", 0, false},
    {"docs/", "", 0, true},
    {"windows\\", "", 0, true},
    {"full.txt", "content", 0, false},
    {"streamed-empty.txt", "", kFlagDataDescriptor, false},
    {"odd-folder/", "", kFlagDataDescriptor, true},
};

TEST(RecoveryScan, RecoveredEntryIsAFolderOnlyWhenItsNameEndsWithASeparator) {
  TestDir dir;
  std::string bytes;
  for (const FolderCase& c : kFolderCases) {
    TKZLocalFileHeader lh;
    lh.genPurposeFlag = c.flags;
    const std::string data = c.data;
    TKZDataDescriptor dd;
    dd.crc32 = Crc32(data);
    dd.compSize = dd.unCompSize = static_cast<std::uint32_t>(data.size());
    if ((c.flags & kFlagDataDescriptor) == 0) {
      lh.crc32 = dd.crc32;
      lh.compSize = lh.unCompSize = dd.compSize;
    }
    lh.nameLength = static_cast<std::uint16_t>(std::string(c.name).size());
    bytes += lh.ToBytes() + c.name + data + ((c.flags & kFlagDataDescriptor) ? dd.ToBytes() : "");
  }
  auto zip = OpenBytes(dir, "folders.zip", bytes, true);
  const TKZDirArray& items = zip->DMHandle()->CDir;
  ASSERT_EQ(items.Count(), static_cast<std::int32_t>(std::size(kFolderCases)));
  for (std::int32_t i = 0; i < items.Count(); ++i) {
    const FolderCase& c = kFolderCases[i];
    EXPECT_EQ(items[i].IsFolder(), c.folder) << c.name;
    EXPECT_EQ(items[i].CentralDir.externalAttr, c.folder ? kAttrDirectory : kAttrArchive) << c.name;
  }
  // Extracted, an empty file is a file of no bytes, a folder a folder.
  zip->SetBaseDir(kv::test::PathText(dir / "out"));
  zip->ExtractFiles(u"*.*", 10431, u"");
  EXPECT_TRUE(std::filesystem::is_regular_file(dir / "out" / "empty.txt"));
  EXPECT_EQ(std::filesystem::file_size(dir / "out" / "empty.txt"), 0u);
  EXPECT_TRUE(std::filesystem::is_regular_file(dir / "out" / "streamed-empty.txt"));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "out" / "docs"));
}

TEST(RecoveryScan, StoredArchiveInsideAMemberYieldsNoItemsOfItsOwn) {
  TestDir dir;
  const std::string inner = BuildZip({{"inner-a.txt", "aaa"}, {"inner-b.txt", "bbb"}}).bytes;
  // The last member is large enough to keep the inner end record out of the end record search.
  const auto outer =
      BuildZip({{"first.txt", "one"}, {"nested.zip", inner}, {"last.txt", std::string(70000, 'z')}});
  // Without the end record, and with the directory cut off as well.
  for (const std::string& bytes : {WithoutEndRecord(outer), LocalPartOnly(outer)}) {
    auto zip = OpenBytes(dir, "nested.zip", bytes, true);
    EXPECT_EQ(Names(*zip), (std::vector<std::u16string>{u"first.txt", u"nested.zip", u"last.txt"}));
    int error = 0;
    EXPECT_EQ(ExtractToMemory(*zip, 1, error), inner);
    EXPECT_EQ(error, -1);
  }
}

TEST(RecoveryScan, MemberWhoseEndHoldsNoRecordIsScannedByteByByte) {
  TestDir dir;
  // The first member claims 2 bytes fewer than it has: after its claimed end there is no
  // record, so the scan goes through its data and still finds the member behind it, together
  // with the stored archive's member inside it.
  const std::string inner = BuildZip({{"inner.txt", "iii"}}).bytes;
  auto built = BuildZip({{"wrapper.zip", inner}, {"after.txt", std::string(70000, 'a')}});
  std::string bytes = LocalPartOnly(built);
  Put32(bytes, 18, static_cast<std::uint32_t>(inner.size() - 2));
  auto zip = OpenBytes(dir, "short.zip", bytes, true);
  EXPECT_EQ(Names(*zip), (std::vector<std::u16string>{u"wrapper.zip", u"inner.txt", u"after.txt"}));
}

// One member written by a streaming writer, in one of the shapes found in the wild.
struct DescriptorCase {
  const char* label;
  std::uint16_t method;
  bool signed_descriptor;
  bool wide_sizes;    // 8-byte sizes in the descriptor
  bool zip64_header;  // header sizes all ones and a Zip64 block of zeros
  const char* data;
  bool found;  // the member is recovered
};

constexpr const char* kText = "streamed data, streamed data, streamed data; PK\x07\x08 inside the data";

constexpr DescriptorCase kDescriptorCases[] = {
    {"deflated, signed", kMethodDeflate, true, false, false, kText, true},
    {"deflated, unsigned", kMethodDeflate, false, false, false, kText, true},
    {"deflated, signed, 64-bit sizes", kMethodDeflate, true, true, true, kText, true},
    {"deflated, unsigned, 64-bit sizes", kMethodDeflate, false, true, true, kText, true},
    {"deflated empty member, signed, 64-bit sizes", kMethodDeflate, true, true, true, "", true},
    {"stored, signed", kMethodStored, true, false, false, kText, true},
    {"stored, signed, 64-bit sizes", kMethodStored, true, true, true, kText, true},
    {"stored empty member, signed", kMethodStored, true, false, false, "", true},
    {"stored, unsigned: its end cannot be told", kMethodStored, false, false, false, kText, false},
};

std::string Descriptor(const DescriptorCase& c, std::uint32_t crc, std::uint64_t packed, std::uint64_t size) {
  std::string out;
  if (c.signed_descriptor) out += "PK\x07\x08";
  std::string fields(c.wide_sizes ? 20 : 12, '\0');
  Put32(fields, 0, crc);
  if (c.wide_sizes) {
    for (int i = 0; i < 8; ++i) fields[4 + i] = static_cast<char>((packed >> (8 * i)) & 0xFF);
    for (int i = 0; i < 8; ++i) fields[12 + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
  } else {
    Put32(fields, 4, static_cast<std::uint32_t>(packed));
    Put32(fields, 8, static_cast<std::uint32_t>(size));
  }
  return out + fields;
}

std::string StreamedMember(const DescriptorCase& c, const std::string& name) {
  const std::string data = c.data;
  const std::string packed = c.method == kMethodDeflate ? RawDeflate(data) : data;
  TKZLocalFileHeader lh;
  lh.extractVersion = c.zip64_header ? kVersionZip64 : 20;
  lh.genPurposeFlag = kFlagDataDescriptor;
  lh.compMethod = c.method;
  lh.nameLength = static_cast<std::uint16_t>(name.size());
  std::string extra;
  if (c.zip64_header) {
    lh.compSize = lh.unCompSize = kZip64Marker32;
    extra = std::string("\x01\x00\x10\x00", 4) + std::string(16, '\0');
    lh.extraLength = static_cast<std::uint16_t>(extra.size());
  }
  return lh.ToBytes() + name + extra + packed + Descriptor(c, Crc32(data), packed.size(), data.size());
}

class StreamedMembers : public ::testing::TestWithParam<DescriptorCase> {};

TEST_P(StreamedMembers, AreRecoveredWithTheCrcAndSizesOfTheirDescriptor) {
  const DescriptorCase& c = GetParam();
  TestDir dir;
  const std::string data = c.data;
  // Two such members, then an ordinary one, and no directory.
  const std::string bytes = StreamedMember(c, "one.txt") + StreamedMember(c, "two.txt") +
                            LocalPartOnly(BuildZip({{"plain.txt", "plain"}}));
  auto zip = OpenBytes(dir, "streamed.zip", bytes, true);
  if (!c.found) {
    EXPECT_EQ(Names(*zip), std::vector<std::u16string>{u"plain.txt"}) << c.label;
    return;
  }
  ASSERT_EQ(Names(*zip), (std::vector<std::u16string>{u"one.txt", u"two.txt", u"plain.txt"})) << c.label;
  for (std::int32_t i = 0; i < 2; ++i) {
    const TDirItem& item = zip->DMHandle()->CDir[i];
    EXPECT_EQ(item.CentralDir.crc32, Crc32(data)) << c.label;
    EXPECT_EQ(item.UncompressedSize(), data.size()) << c.label;
    EXPECT_EQ(item.CompressedSize(), c.method == kMethodDeflate ? RawDeflate(data).size() : data.size())
        << c.label;
    EXPECT_FALSE(item.IsFolder()) << c.label;
    int error = 0;
    EXPECT_EQ(ExtractToMemory(*zip, i, error), data) << c.label;
    EXPECT_EQ(error, -1) << c.label;
  }
}

INSTANTIATE_TEST_SUITE_P(RecoveryScan, StreamedMembers, ::testing::ValuesIn(kDescriptorCases),
                         [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(RecoveryScan, DeflatedMemberThatDoesNotInflateTakesTheSignedDescriptorAtItsDistance) {
  TestDir dir;
  // Method 8 over bytes that are not deflate data: the descriptor is still found by its
  // compressed size, and extraction then fails on the data, not on the directory.
  const std::string junk(40, '\xFF');
  TKZLocalFileHeader lh;
  lh.genPurposeFlag = kFlagDataDescriptor;
  lh.compMethod = kMethodDeflate;
  lh.nameLength = 3;
  TKZDataDescriptor dd;
  dd.crc32 = 0x12345678;
  dd.compSize = static_cast<std::uint32_t>(junk.size());
  dd.unCompSize = 100;
  const std::string bytes =
      lh.ToBytes() + "bad" + junk + dd.ToBytes() + LocalPartOnly(BuildZip({{"ok", "ok"}}));
  auto zip = OpenBytes(dir, "junk.zip", bytes, true);
  ASSERT_EQ(Names(*zip), (std::vector<std::u16string>{u"bad", u"ok"}));
  EXPECT_EQ(zip->DMHandle()->CDir[0].CompressedSize(), junk.size());
  int error = 0;
  ExtractToMemory(*zip, 0, error);
  EXPECT_EQ(error, kNative::BadSizeOrChecksum);
  EXPECT_EQ(ExtractToMemory(*zip, 1, error), "ok");
}

// Bytes that only look like an archive: the open fails rather than listing nothing.
struct UnreadableCase {
  const char* label;
  std::string bytes;
};

std::vector<UnreadableCase> UnreadableCases() {
  std::string garbage_header = "PK\x03\x04";
  for (int i = 0; garbage_header.size() < 62; ++i) garbage_header += static_cast<char>(0xA5 ^ (i * 37));
  TKZLocalFileHeader name_past_end;
  name_past_end.nameLength = 40;  // more than the bytes that follow
  return {
      {"a local header of garbage and nothing else", garbage_header},
      {"a header whose name runs past the end", name_past_end.ToBytes() + "short"},
  };
}

TEST(RecoveryScan, NothingRecoveredFailsTheOpenWith35) {
  TestDir dir;
  for (const UnreadableCase& c : UnreadableCases()) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(NativeErrorOf([&] { OpenBytes(dir, "bad.zip", c.bytes, true); }), kNative::InvalidArchive);
    EXPECT_EQ(NativeErrorOf([&] { OpenBytes(dir, "bad2.zip", c.bytes, false); }),
              kNative::DamagedNoEndRecord);
  }
  // An end record alone is an empty archive, with or without recovery allowed.
  const std::string empty = BuildZip({}).bytes;
  for (bool open_corrupted : {true, false})
    EXPECT_EQ(OpenBytes(dir, "empty.zip", empty, open_corrupted)->DMHandle()->CDir.Count(), 0);
}

// Central directory encryption as another writer leaves it when the directory itself is
// readable: bit 13 in the records, and local headers with the checksum and sizes zeroed.
std::string WithMaskedHeaders(const BuiltFixture& built, std::size_t masked) {
  std::string bytes = built.bytes;
  auto at = static_cast<std::size_t>(built.directory_offset);
  for (std::size_t i = 0; i < masked; ++i) {
    const auto u16 = [&](std::size_t o) {
      return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[o]) |
                                        static_cast<unsigned char>(bytes[o + 1]) << 8);
    };
    Put16(bytes, static_cast<std::int64_t>(at + 8),
          static_cast<std::uint16_t>(u16(at + 8) | kFlagMaskedHeaders));
    const auto local = built.local_offsets[i];
    Put16(bytes, local + 6,
          static_cast<std::uint16_t>(u16(static_cast<std::size_t>(local) + 6) | kFlagMaskedHeaders));
    for (int field = 14; field <= 22; field += 4) Put32(bytes, local + field, 0);
    at += 46 + u16(at + 28) + u16(at + 30) + u16(at + 32);
  }
  return bytes;
}

TEST(RecoveryScan, MembersWithMaskedHeadersAreListedButRefused) {
  TestDir dir;
  const auto built =
      BuildZip({{"one.txt", "first member"}, {"two.txt", "second member"}, {"plain.txt", "readable"}});
  for (bool recovered : {false, true}) {
    SCOPED_TRACE(recovered ? "recovered" : "from the directory");
    std::string bytes = WithMaskedHeaders(built, 2);
    if (recovered) bytes.resize(static_cast<std::size_t>(built.directory_offset));
    auto zip = OpenBytes(dir, recovered ? "r.zip" : "d.zip", bytes, true);
    // Recovery cannot tell where a masked member ends; the scan still finds the later headers.
    ASSERT_EQ(Names(*zip), (std::vector<std::u16string>{u"one.txt", u"two.txt", u"plain.txt"}));
    int error = 0;
    for (std::int32_t i = 0; i < 2; ++i) {
      ExtractToMemory(*zip, i, error);
      EXPECT_EQ(error, kNative::MaskedHeaders);
    }
    EXPECT_EQ(ExtractToMemory(*zip, 2, error), "readable");
    EXPECT_EQ(error, -1);
  }
}

}  // namespace
}  // namespace kv::archive::test
