// MakeSFX: a new file made of a stub and an existing archive, with offsets counting the stub,
// and its errors, which leave no half-written file behind.
#include <gtest/gtest.h>

#include "archive/dir_manager.h"
#include "archive/errors.h"
#include "tests/archive/commit_test_support.h"
#include "tests/archive/zip_fixture.h"

namespace kv::archive::test {
namespace {

using kv::test::PathText;
using kv::test::ReadFile;
using kv::test::TestDir;
namespace fs = std::filesystem;

void MakePlainArchive(const TestDir& dir) {
  dir.Write("src/a.dll", Content(40000, 1));
  dir.Write("src/b.dll", Content(300, 2));
  TKolZip zip;
  zip.SetFileName(PathText(dir / "a.zip"));
  zip.OpenArchive(kModeCreate);
  zip.SetBaseDir(PathText(dir / "src"));
  zip.AddFiles(u"*.*", kDefaultSearchAttr, u"");
  zip.CloseArchive();
}

TEST(MakeSFX, WritesStubAndArchiveWithOffsetsCountingTheStub) {
  for (bool open : {false, true}) {
    TestDir dir;
    MakePlainArchive(dir);
    dir.Write("stub.exe", FakeStub(2500));
    const std::string plain = ReadFile(dir / "a.zip");
    TKolZip zip;
    zip.SetFileName(PathText(dir / "a.zip"));
    zip.SetSFXStub(PathText(dir / "stub.exe"));
    if (open) zip.OpenArchive();
    zip.MakeSFX(PathText(dir / "out.exe"));
    zip.CloseArchive();
    EXPECT_EQ(ReadFile(dir / "a.zip"), plain) << "the source archive is not changed";
    const std::string made = ReadFile(dir / "out.exe");
    EXPECT_EQ(made.substr(0, 2500), FakeStub(2500));
    const WrittenArchive before = ReadWritten(plain);
    const WrittenArchive after = ReadWritten(made);
    ASSERT_EQ(after.entries.size(), before.entries.size());
    for (std::size_t i = 0; i < after.entries.size(); ++i) {
      EXPECT_EQ(after.entries[i].offset, before.entries[i].offset + 2500);
      EXPECT_EQ(MemberBytes(made, after.entries[i]), MemberBytes(plain, before.entries[i]));
    }
    EXPECT_EQ(after.directory_offset, before.directory_offset + 2500);
    TKolZip reader;
    reader.SetFileName(PathText(dir / "out.exe"));
    reader.OpenArchive();
    EXPECT_EQ(reader.DMHandle()->StubSize, 2500);
  }
}

struct SfxErrorCase {
  const char* name;
  bool stub_set;
  bool stub_exists;
  bool archive_has_stub;
  int native_error;
};

constexpr SfxErrorCase kErrors[] = {
    {"NoStubNamed", false, false, false, kNative::SfxStubNotSpecified},
    {"StubMissing", true, false, false, kNative::SfxStubFileNotFound},
    {"ArchiveAlreadyHasAStub", true, true, true, kNative::ArchiveAlreadyHasStub},
};

class MakeSFXErrors : public ::testing::TestWithParam<SfxErrorCase> {};

TEST_P(MakeSFXErrors, RaiseTheirNativeErrorAndLeaveNoOutputFile) {
  const SfxErrorCase& c = GetParam();
  TestDir dir;
  MakePlainArchive(dir);
  if (c.archive_has_stub) {
    dir.Write("first.exe", FakeStub(100));
    TKolZip zip;
    zip.SetFileName(PathText(dir / "a.zip"));
    zip.SetSFXStub(PathText(dir / "first.exe"));
    zip.MakeSFX(PathText(dir / "with_stub.exe"));
  }
  if (c.stub_exists) dir.Write("stub.exe", FakeStub(300));
  TKolZip zip;
  zip.SetFileName(PathText(dir / (c.archive_has_stub ? "with_stub.exe" : "a.zip")));
  if (c.stub_set) zip.SetSFXStub(PathText(dir / "stub.exe"));
  try {
    zip.MakeSFX(PathText(dir / "out.exe"));
    ADD_FAILURE() << "no error";
  } catch (const EKZException& e) {
    EXPECT_EQ(e.NativeError(), c.native_error);
  }
  EXPECT_FALSE(fs::exists(dir / "out.exe"));
}

INSTANTIATE_TEST_SUITE_P(Table, MakeSFXErrors, ::testing::ValuesIn(kErrors),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kv::archive::test
