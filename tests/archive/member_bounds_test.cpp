// Members that share bytes with another member (the building block of overlap bombs) and
// members whose local header carries another name are refused on extraction and test; the
// other members of the archive still extract, and well-formed archives (behind a stub, with
// Zip64 end records) are untouched. Archives are built byte by byte (zip_fixture.h).
#include <gtest/gtest.h>

#include "archive/dir_manager.h"
#include "archive/stream.h"
#include "tests/archive/archive_test_support.h"
#include "tests/archive/zip_fixture.h"

namespace kv::archive::test {
namespace {

using kv::test::TestDir;

struct ReadingZip : TKolZip {
  using TKZBaseArchiver::ExtractItemToStream;
};

std::unique_ptr<ReadingZip> OpenReading(const TestDir& dir, const std::string& bytes) {
  auto zip = std::make_unique<ReadingZip>();
  zip->Name = u"archiver";
  zip->SetFileName(kv::test::PathText(dir.Write("bounds.zip", bytes)));
  zip->OpenArchive(kModeReadShared);
  return zip;
}

// The native error of reading each item (-1 for success, and for folders, which are not read),
// in directory order.
std::vector<int> ReadErrors(ReadingZip& zip) {
  std::vector<int> errors;
  for (std::int32_t i = 0; i < zip.DMHandle()->CDir.Count(); ++i) {
    TKZMemoryStream out;
    if (zip.DMHandle()->CDir[i].IsFolder()) {
      errors.push_back(-1);
      continue;
    }
    errors.push_back(NativeErrorOf([&] { zip.ExtractItemToStream(i, out); }));
  }
  return errors;
}

// Four members with names of one length, so that central header i starts at a known place.
std::vector<FixtureEntry> FourMembers() {
  return {{"m0.txt", "zero"}, {"m1.txt", std::string(200, '1')}, {"m2.txt", "two"}, {"m3.txt", "three"}};
}

constexpr std::int64_t kCentralSize = 46 + 6;

void PointAt(std::string& bytes, const BuiltFixture& built, int record, std::uint32_t offset) {
  Put32(bytes, built.directory_offset + record * kCentralSize + 42, offset);
}

struct BoundsCase {
  const char* label;
  void (*damage)(std::string& bytes, const BuiltFixture& built);
  std::vector<int> errors;
};

constexpr int kOk = -1;
constexpr int kOverlap = kNative::OverlappingMember;
constexpr int kName = kNative::LocalNameMismatch;

const BoundsCase kBoundsCases[] = {
    {"well-formed", [](std::string&, const BuiltFixture&) {}, {kOk, kOk, kOk, kOk}},
    {"two records name one local header",
     [](std::string& b, const BuiltFixture& f) { PointAt(b, f, 2, static_cast<std::uint32_t>(f.local_offsets[0])); },
     {kOk, kOk, kOverlap, kOk}},
    {"a record points into another member's data",
     [](std::string& b, const BuiltFixture& f) {
       // A local header for m2 placed inside m1's data, and m2's record pointing at it.
       TKZLocalFileHeader lh;
       lh.extractVersion = kVersionOemNames;
       lh.lastModTime = 0x6000;
       lh.lastModDate = 0x5A21;
       lh.crc32 = Crc32("two");
       lh.compSize = lh.unCompSize = 3;
       lh.nameLength = 6;
       const std::int64_t inside = f.local_offsets[1] + 30 + 6 + 50;
       b.replace(static_cast<std::size_t>(inside), 39, lh.ToBytes() + "m2.txt" + "two");
       PointAt(b, f, 2, static_cast<std::uint32_t>(inside));
     },
     {kOk, kOverlap, kOk, kOk}},
    {"a record's size runs into the next member",
     [](std::string& b, const BuiltFixture& f) {
       Put32(b, f.directory_offset + 1 * kCentralSize + 20, 260);  // compressed size
     },
     {kOk, kOverlap, kOk, kOk}},
    {"local header names another member",
     [](std::string& b, const BuiltFixture& f) { b[static_cast<std::size_t>(f.local_offsets[3] + 30 + 1)] = 'X'; },
     {kOk, kOk, kOk, kName}},
};

TEST(MemberBounds, OverlappingAndMisnamedMembersAreRefusedAndTheOthersRead) {
  for (const BoundsCase& c : kBoundsCases) {
    TestDir dir;
    const auto built = BuildZip(FourMembers());
    std::string bytes = built.bytes;
    c.damage(bytes, built);
    auto zip = OpenReading(dir, bytes);
    EXPECT_EQ(ReadErrors(*zip), c.errors) << c.label;
  }
}

TEST(MemberBounds, ExtractionReportsTheRefusedMemberByNameAndGoesOn) {
  TestDir dir;
  const auto built = BuildZip(FourMembers());
  std::string bytes = built.bytes;
  PointAt(bytes, built, 2, static_cast<std::uint32_t>(built.local_offsets[0]));
  auto zip = OpenReading(dir, bytes);
  zip->SetBaseDir(kv::test::PathText(dir / "out"));
  std::vector<std::pair<std::u16string, int>> failures;
  std::u16string message;
  zip->OnProcessFileFailure = [&](TObject&, const std::u16string& file, TKZProcessOperation, std::int32_t native,
                                  std::int32_t, const std::u16string& text, TKZAction& action) {
    failures.emplace_back(file, native);
    message = text;
    action = fxaIgnore;
  };
  zip->ExtractFiles(u"*.*", 10431, u"");
  EXPECT_EQ(failures, (std::vector<std::pair<std::u16string, int>>{{u"m2.txt", kOverlap}}));
  EXPECT_NE(message.find(u"\"m2.txt\" shares its bytes with another member"), std::u16string::npos);
  EXPECT_EQ(kv::test::ReadFile(dir / "out" / "m0.txt"), "zero");  // the header's first record keeps it
  EXPECT_FALSE(std::filesystem::exists(dir / "out" / "m2.txt"));
  EXPECT_EQ(kv::test::ReadFile(dir / "out" / "m1.txt"), std::string(200, '1'));
  EXPECT_EQ(kv::test::ReadFile(dir / "out" / "m3.txt"), "three");
}

struct LayoutCase {
  const char* label;
  FixtureOptions options;
};

TEST(MemberBounds, WellFormedLayoutsReadWhole) {
  FixtureOptions from_file_start;
  from_file_start.stub = FakeStub(3000);
  FixtureOptions from_stub_end = from_file_start;
  from_stub_end.offsets_from_stub_end = true;
  FixtureOptions zip64;
  zip64.zip64_end_records = true;
  const LayoutCase layouts[] = {
      {"stub, offsets from the file start", from_file_start},
      {"stub, offsets from the stub's end", from_stub_end},
      {"Zip64 end records", zip64},
  };
  for (const LayoutCase& c : layouts) {
    TestDir dir;
    // A folder item keeps its stored offset behind a stub; it must not be taken for a member.
    auto entries = FourMembers();
    entries.insert(entries.begin() + 1, FixtureEntry{"dir/", "", 0, kAttrDirectory});
    auto zip = OpenReading(dir, BuildZip(entries, c.options).bytes);
    const std::vector<int> expected(entries.size(), kOk);
    EXPECT_EQ(ReadErrors(*zip), expected) << c.label;
  }
}

}  // namespace
}  // namespace kv::archive::test
