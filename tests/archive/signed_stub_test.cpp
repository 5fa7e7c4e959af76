// A package signed after it was built carries a certificate table after the end record; the
// archive part ends where the PE security directory says that table begins, whatever its size.
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

constexpr std::int64_t kPeAt = 0x80;
constexpr std::int64_t kOptionalAt = kPeAt + 24;

// A stub with just enough PE headers to name a security directory: PE32 or PE32+ with 16
// directories, filler behind them.
std::string PeStub(std::size_t size, bool pe32_plus) {
  std::string stub = FakeStub(size);
  Put32(stub, 0x3C, kPeAt);
  Put32(stub, kPeAt, 0x00004550);
  Put16(stub, kPeAt + 4 + 16, pe32_plus ? 240 : 224);  // SizeOfOptionalHeader
  Put16(stub, kOptionalAt, pe32_plus ? 0x20B : 0x10B);
  Put32(stub, kOptionalAt + (pe32_plus ? 108 : 92), 16);  // NumberOfRvaAndSizes
  for (std::int64_t i = 0; i < 16 * 8; ++i) stub[static_cast<std::size_t>(kOptionalAt + (pe32_plus ? 112 : 96) + i)] = 0;
  return stub;
}

void SetSecurityDirectory(std::string& file, bool pe32_plus, std::uint32_t offset, std::uint32_t size) {
  const std::int64_t entry = kOptionalAt + (pe32_plus ? 112 : 96) + 4 * 8;
  Put32(file, entry, offset);
  Put32(file, entry + 4, size);
}

// A table shaped like a WIN_CERTIFICATE, its body a decoy: an end record naming no members, so
// a search that reads the table takes it for the archive's end.
std::string CertificateTable(std::size_t size) {
  std::string table(size, '\x30');
  Put32(table, 0, static_cast<std::uint32_t>(size));
  Put16(table, 4, 0x0200);
  Put16(table, 6, 0x0002);
  std::string decoy(22, '\0');
  Put32(decoy, 0, kCentralDirEndSignature);
  table.replace(size - 200, decoy.size(), decoy);
  return table;
}

std::string MakePackage(const TestDir& dir, bool pe32_plus) {
  dir.Write("src/a.dll", Content(40000, 1));
  dir.Write("src/b.ocx", Content(3000, 2, true));
  dir.Write("stub.exe", PeStub(4096, pe32_plus));
  TKolZip zip;
  zip.SetFileName(PathText(dir / "p.exe"));
  zip.SetSFXStub(PathText(dir / "stub.exe"));
  zip.OpenArchive(kModeCreate);
  zip.SetBaseDir(PathText(dir / "src"));
  zip.AddFiles(u"*.*", kDefaultSearchAttr, u"");
  zip.CloseArchive();
  return ReadFile(dir / "p.exe");
}

struct MemberReader : TKolZip {
  using TKZBaseArchiver::ExtractItemToStream;
};

// Opens the file and checks both members decompress with their CRCs.
void ExpectMembersRead(const TestDir& dir, const char* name) {
  MemberReader zip;
  zip.SetFileName(PathText(dir / name));
  zip.OpenArchive(kModeReadShared);
  ASSERT_EQ(zip.FileCount(), 2);
  EXPECT_EQ(zip.DMHandle()->StubSize, 4096);
  for (std::int32_t i = 0; i < 2; ++i) {
    TKZMemoryStream out;
    EXPECT_NO_THROW(zip.ExtractItemToStream(i, out));
  }
  zip.CloseArchive();
}

struct SignedCase {
  const char* name;
  bool pe32_plus;
  std::size_t table_size;
};

constexpr SignedCase kSigned[] = {
    {"SmallTable", false, 1536},
    {"TableLargerThanTheSearchWindow", false, 100000},
    {"TableLargerThanTheSearchWindowPe32Plus", true, 100000},
};

class SignedPackage : public ::testing::TestWithParam<SignedCase> {};

TEST_P(SignedPackage, ArchiveEndsWhereTheCertificateTableBegins) {
  const SignedCase& c = GetParam();
  TestDir dir;
  std::string file = MakePackage(dir, c.pe32_plus);
  const auto table_at = static_cast<std::uint32_t>(file.size());
  SetSecurityDirectory(file, c.pe32_plus, table_at, static_cast<std::uint32_t>(c.table_size));
  file += CertificateTable(c.table_size);
  dir.Write("signed.exe", file);
  ExpectMembersRead(dir, "signed.exe");
}

INSTANTIATE_TEST_SUITE_P(Tables, SignedPackage, ::testing::ValuesIn(kSigned),
                         [](const auto& info) { return std::string(info.param.name); });

// Bytes after the end record that are not the file's certificate table keep today's rules: the
// nearest end record inside the search window wins, so the decoy is taken and nothing is listed.
TEST(SignedPackageRules, TrailingBytesNotNamedAsTheCertificateTableAreNotSkipped) {
  struct Variant {
    const char* name;
    bool named;
    std::int64_t offset_shift;  // added to the real table offset
    std::int64_t size_shift;
  };
  constexpr Variant kVariants[] = {
      {"NoDirectory", false, 0, 0},
      {"PastTheEnd", true, 200000, 0},
      {"RunningPastTheEnd", true, 0, 1},
      {"EndingBeforeTheFileEnds", true, 0, -8},
  };
  for (const Variant& v : kVariants) {
    SCOPED_TRACE(v.name);
    TestDir dir;
    std::string file = MakePackage(dir, false);
    const auto table_at = static_cast<std::uint32_t>(file.size());
    if (v.named)
      SetSecurityDirectory(file, false, static_cast<std::uint32_t>(table_at + v.offset_shift),
                           static_cast<std::uint32_t>(3000 + v.size_shift));
    file += CertificateTable(3000);
    dir.Write("trailing.exe", file);
    TKolZip zip;
    zip.SetFileName(PathText(dir / "trailing.exe"));
    zip.OpenArchive(kModeReadShared);
    EXPECT_EQ(zip.FileCount(), 0);
    zip.CloseArchive();
  }
}

// A stub signed before the archive was put behind it names its own table, in front of the
// archive: the archive still ends with the file.
TEST(SignedPackageRules, StubSignedBeforeTheBuildKeepsTheWholeFile) {
  TestDir dir;
  std::string stub = PeStub(4096, false);
  SetSecurityDirectory(stub, false, 3000, 1096);
  dir.Write("src/a.dll", Content(40000, 1));
  dir.Write("src/b.ocx", Content(3000, 2, true));
  dir.Write("stub.exe", stub);
  TKolZip zip;
  zip.SetFileName(PathText(dir / "p.exe"));
  zip.SetSFXStub(PathText(dir / "stub.exe"));
  zip.OpenArchive(kModeCreate);
  zip.SetBaseDir(PathText(dir / "src"));
  zip.AddFiles(u"*.*", kDefaultSearchAttr, u"");
  zip.CloseArchive();
  ExpectMembersRead(dir, "p.exe");
}

}  // namespace
}  // namespace kv::archive::test
