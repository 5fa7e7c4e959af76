// Reading real PE files: Wine's system libraries and programs of both bitnesses, and the small
// delay-loading libraries of the fuzz seed corpus (built with lld-link, see its README).
#include "inspection/pe_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>

#include "platform/file_stream.h"
#include "platform/unicode.h"
#include "tests/inspection/pe_test_files.h"
#include "tests/support/test_dir.h"

namespace kv::inspection {
namespace {

using test::Bitness;

struct RealFileCase {
  const char* name;
  Bitness bitness;
  const char* file;
  Machine machine;
  std::uint16_t machine_code;
  bool is_dll;
  const char* export_name;   // one named export it must have, or nullptr
  const char* forwarded_to;  // where that export leads ("" when it is not forwarded)
  const char* import;        // one DLL it must import, or nullptr
};
void PrintTo(const RealFileCase& c, std::ostream* os) { *os << c.name; }

constexpr RealFileCase kRealFiles[] = {
    {"Ole32_x86", Bitness::x86, "ole32.dll", Machine::x86, 0x14C, true, "DllRegisterServer", "",
     "combase.dll"},
    {"Ole32_x64", Bitness::x64, "ole32.dll", Machine::x64, 0x8664, true, "DllRegisterServer", "",
     "combase.dll"},
    {"ForwardingIcmp_x86", Bitness::x86, "icmp.dll", Machine::x86, 0x14C, true, "IcmpSendEcho",
     "iphlpapi.IcmpSendEcho", nullptr},
    {"ForwardingIcmp_x64", Bitness::x64, "icmp.dll", Machine::x64, 0x8664, true, "IcmpSendEcho",
     "iphlpapi.IcmpSendEcho", nullptr},
    {"Program_x86", Bitness::x86, "attrib.exe", Machine::x86, 0x14C, false, nullptr, "", "ucrtbase.dll"},
    {"Program_x64", Bitness::x64, "attrib.exe", Machine::x64, 0x8664, false, nullptr, "", "ucrtbase.dll"},
};

class RealFile : public ::testing::TestWithParam<RealFileCase> {};

TEST_P(RealFile, GivesMachineKindAndTables) {
  const RealFileCase& c = GetParam();
  if (!test::HaveWineSystemFiles(c.bitness)) GTEST_SKIP() << "Wine system libraries not installed";
  const PeReadResult read = ReadPeImageFile(test::PathText(test::WineSystemFile(c.bitness, c.file)));
  ASSERT_TRUE(read.image) << platform::Utf16ToUtf8(read.problem);
  EXPECT_EQ(read.problem, u"");
  const PeImage& image = *read.image;
  EXPECT_EQ(image.machine, c.machine);
  EXPECT_EQ(image.machine_code, c.machine_code);
  EXPECT_EQ(image.is_dll, c.is_dll);
  EXPECT_FALSE(image.is_dotnet);
  EXPECT_EQ(image.certificate_size, 0u);
  EXPECT_TRUE(image.delay_imports.empty());
  if (c.export_name) {
    EXPECT_TRUE(image.Exports(c.export_name));
    const auto found = std::find_if(image.exports.begin(), image.exports.end(),
                                    [&](const PeExport& e) { return e.name == c.export_name; });
    ASSERT_NE(found, image.exports.end());
    EXPECT_EQ(found->forwarded_to, c.forwarded_to);
  } else {
    EXPECT_TRUE(image.exports.empty());
  }
  if (c.import) {
    EXPECT_NE(std::find(image.imports.begin(), image.imports.end(), c.import), image.imports.end());
  } else {
    EXPECT_TRUE(image.imports.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Wine, RealFile, ::testing::ValuesIn(kRealFiles),
                         [](const auto& info) { return std::string(info.param.name); });

// The linker-made delay-load descriptors and forwarder, beside a plain import.
class DelayLoadingLibrary : public ::testing::TestWithParam<Bitness> {};

TEST_P(DelayLoadingLibrary, NamesDelayLoadedDllApartFromImports) {
  const std::string file = std::string("delay_") + test::BitnessName(GetParam()) + ".dll";
  const PeReadResult read =
      ReadPeImageFile(test::PathText(test::SourceDir() / "tests" / "fuzz" / "pe_corpus" / file));
  ASSERT_TRUE(read.image) << platform::Utf16ToUtf8(read.problem);
  EXPECT_EQ(read.problem, u"");
  EXPECT_EQ(read.image->imports, std::vector<std::string>{"kernel32.dll"});
  EXPECT_EQ(read.image->delay_imports, std::vector<std::string>{"user32.dll"});
  ASSERT_EQ(read.image->exports.size(), 3u);
  EXPECT_EQ(read.image->exports[0].name, "DllRegisterServer");
  EXPECT_EQ(read.image->exports[0].forwarded_to, "");
  EXPECT_EQ(read.image->exports[1].name, "DllUnregisterServer");
  EXPECT_EQ(read.image->exports[2].name, "Sleep");
  EXPECT_EQ(read.image->exports[2].forwarded_to, "kernel32.Sleep");
}

INSTANTIATE_TEST_SUITE_P(LldLink, DelayLoadingLibrary, ::testing::Values(Bitness::x86, Bitness::x64),
                         [](const auto& info) { return std::string(test::BitnessName(info.param)); });

TEST(PeImageExports, MatchesExactNameOnly) {
  PeImage image;
  image.exports = {{"DllRegisterServer", ""}, {"Sleep", "kernel32.Sleep"}};
  EXPECT_TRUE(image.Exports("DllRegisterServer"));
  EXPECT_TRUE(image.Exports("Sleep"));  // forwarded ones count
  EXPECT_FALSE(image.Exports("dllregisterserver"));
  EXPECT_FALSE(image.Exports("DllRegister"));
  EXPECT_FALSE(image.Exports("kernel32.Sleep"));
}

// A source that counts what the reader asks of it.
class CountingSource : public ByteSource {
 public:
  explicit CountingSource(std::string_view bytes) : inner_(bytes) {}
  std::uint64_t Size() const override { return inner_.Size(); }
  std::string Read(std::uint64_t offset, std::size_t count) const override {
    ++reads;
    bytes_read += count;
    return inner_.Read(offset, count);
  }
  mutable int reads = 0;
  mutable std::uint64_t bytes_read = 0;

 private:
  MemorySource inner_;
};

// Hundreds of libraries are inspected at a time: the reader must read the headers and the
// table regions, not the file.
TEST(PeImageReads, LargeLibraryCostsFewSmallReads) {
  if (!test::HaveWineSystemFiles(Bitness::x86)) GTEST_SKIP() << "Wine system libraries not installed";
  const std::string bytes = test::ReadFile(test::WineSystemFile(Bitness::x86, "ole32.dll"));
  ASSERT_GT(bytes.size(), 4u << 20);
  const CountingSource source(bytes);
  const PeReadResult read = ReadPeImage(source);
  ASSERT_TRUE(read.image);
  EXPECT_GT(read.image->exports.size(), 250u);
  EXPECT_LE(source.reads, 6);
  EXPECT_LE(source.bytes_read, 512u << 10);
}

TEST(PeImageFile, GivesWhatTheBytesGive) {
  for (const Bitness bitness : {Bitness::x86, Bitness::x64}) {
    if (!test::HaveWineSystemFiles(bitness)) GTEST_SKIP() << "Wine system libraries not installed";
    const auto path = test::WineSystemFile(bitness, "version.dll");
    const std::string bytes = test::ReadFile(path);
    const PeReadResult from_file = ReadPeImageFile(test::PathText(path));
    const PeReadResult from_memory = ReadPeImage(MemorySource(bytes));
    ASSERT_TRUE(from_file.image && from_memory.image);
    EXPECT_EQ(from_file.image->exports.size(), 16u);
    EXPECT_EQ(from_file.image->imports, from_memory.image->imports);
    EXPECT_EQ(from_file.image->machine, from_memory.image->machine);
    ASSERT_EQ(from_file.image->exports.size(), from_memory.image->exports.size());
    for (std::size_t i = 0; i < from_file.image->exports.size(); ++i)
      EXPECT_EQ(from_file.image->exports[i].name, from_memory.image->exports[i].name);
  }
}

TEST(PeImageFile, MissingFileGivesTheSystemsReason) {
  test::TestDir dir;
  const PeReadResult read = ReadPeImageFile(test::PathText(dir / "absent.dll"));
  EXPECT_FALSE(read.image);
  const std::u16string prefix = pe_problems::kCannotBeRead;
  ASSERT_GT(read.problem.size(), prefix.size());
  EXPECT_EQ(read.problem.substr(0, prefix.size()), prefix);
  EXPECT_EQ(read.problem.find(u"absent.dll"), std::u16string::npos) << "the reason alone, not the message";
}

TEST(PeImageFile, NonProgramFilesNamedDll) {
  test::TestDir dir;
  for (const std::string& content : {std::string(), std::string("just some notes\r\n"), std::string("MZ")}) {
    const PeReadResult read = ReadPeImageFile(test::PathText(dir.Write("notes.dll", content)));
    EXPECT_FALSE(read.image);
    EXPECT_EQ(read.problem, pe_problems::kNotWindowsProgram) << content;
  }
}

// Libraries in use (open for writing by their owner, sharing everything) can still be inspected.
TEST(PeImageFile, ReadsFileOpenForWritingElsewhere) {
  if (!test::HaveWineSystemFiles(Bitness::x86)) GTEST_SKIP() << "Wine system libraries not installed";
  test::TestDir dir;
  const auto copy =
      dir.Write("version.dll", test::ReadFile(test::WineSystemFile(Bitness::x86, "version.dll")));
  const platform::File holder =
      platform::File::Open(test::PathText(copy), platform::kOpenReadWrite | platform::kShareDenyNone);
  const PeReadResult read = ReadPeImageFile(test::PathText(copy));
  ASSERT_TRUE(read.image) << platform::Utf16ToUtf8(read.problem);
  EXPECT_TRUE(read.image->Exports("GetFileVersionInfoW"));
}

}  // namespace
}  // namespace kv::inspection
