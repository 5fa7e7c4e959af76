// Header fields and directories that Wine's libraries do not use (.NET header, certificate
// table, delay-load descriptors, other processors), patched into a real library by the test.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <tuple>

#include "inspection/pe_image.h"
#include "tests/inspection/pe_test_files.h"
#include "tests/support/test_dir.h"

namespace kv::inspection {
namespace {

using test::Bitness;
using test::PeBytes;

PeBytes VersionDll(Bitness bitness) {
  return PeBytes(test::ReadFile(test::WineSystemFile(bitness, "version.dll")));
}

PeImage ReadClean(const PeBytes& pe) {
  PeReadResult read = ReadPeImage(MemorySource(pe.bytes));
  EXPECT_EQ(read.problem, u"");
  if (!read.image) throw std::runtime_error("no image");
  return std::move(*read.image);
}

class PatchedFile : public ::testing::TestWithParam<Bitness> {
 protected:
  void SetUp() override {
    if (!test::HaveWineSystemFiles(GetParam())) GTEST_SKIP() << "Wine system libraries not installed";
  }
};

TEST_P(PatchedFile, ClrHeaderMarksDotNet) {
  PeBytes pe = VersionDll(GetParam());
  pe.SetDirectory(14, 0x2000, 72);
  EXPECT_TRUE(ReadClean(pe).is_dotnet);
  // A header with only 14 directory slots has no CLR entry, whatever follows them.
  pe.Put32(pe.rva_count_field(), 14);
  EXPECT_FALSE(ReadClean(pe).is_dotnet);
}

TEST_P(PatchedFile, CertificateTableIsAFileOffset) {
  PeBytes pe = VersionDll(GetParam());
  const auto size = static_cast<std::uint32_t>(pe.bytes.size());
  pe.SetDirectory(4, size - 0x100, 0x100);  // ends exactly at the end of the file
  const PeImage image = ReadClean(pe);
  EXPECT_EQ(image.certificate_offset, size - 0x100);
  EXPECT_EQ(image.certificate_size, 0x100u);
}

TEST_P(PatchedFile, DllFlagClearedMakesProgram) {
  PeBytes pe = VersionDll(GetParam());
  pe.Put16(pe.file_header() + 18, pe.U16(pe.file_header() + 18) & ~0x2000);
  EXPECT_FALSE(ReadClean(pe).is_dll);
}

// A delay-load descriptor with the given attributes and name field; the other fields are not
// zero, as in real ones, so only a really all-zero descriptor ends the list.
std::string DelayDescriptor(std::uint32_t attributes, std::uint32_t name) {
  std::string d(32, '\x11');
  for (int i = 0; i < 4; ++i) {
    d[i] = static_cast<char>(attributes >> (8 * i));
    d[4 + i] = static_cast<char>(name >> (8 * i));
  }
  return d;
}

constexpr std::uint32_t kNames = PeBytes::kScratch + 0x100;

TEST_P(PatchedFile, DelayLoadDescriptorsWithRvas) {
  PeBytes pe = VersionDll(GetParam());
  pe.Put(kNames, std::string("first.dll\0second.dll\0", 21));
  pe.Put(PeBytes::kScratch,
         DelayDescriptor(1, kNames) + DelayDescriptor(1, kNames + 10) + std::string(32, '\0'));
  pe.SetDirectory(13, PeBytes::kScratch, 96);
  EXPECT_EQ(ReadClean(pe).delay_imports, (std::vector<std::string>{"first.dll", "second.dll"}));
}

TEST_P(PatchedFile, DelayLoadListWithoutEnd) {
  PeBytes pe = VersionDll(GetParam());
  // Eight descriptors up to the end of the file, no all-zero one after them.
  pe.Put(kNames, std::string("first.dll\0", 10));
  const std::uint32_t rva = pe.CutAfterLastSection(8 * 32);
  for (int i = 0; i < 8; ++i) pe.Put(pe.FileOffset(rva) + 32 * i, DelayDescriptor(1, kNames));
  pe.SetDirectory(13, rva, 32);
  const PeReadResult read = ReadPeImage(MemorySource(pe.bytes));
  ASSERT_TRUE(read.image);
  EXPECT_EQ(read.problem, pe_problems::kDamagedDelayImports);
  EXPECT_EQ(read.image->delay_imports, std::vector<std::string>(8, "first.dll"));
}

INSTANTIATE_TEST_SUITE_P(VersionDll, PatchedFile, ::testing::Values(Bitness::x86, Bitness::x64),
                         [](const auto& info) { return std::string(test::BitnessName(info.param)); });

// Descriptors of linkers before Visual C++ 7 hold virtual addresses instead of RVAs. Only a
// 32-bit image can have them: the name field is 32 bits wide.
TEST(PatchedFile32, OldStyleDelayLoadDescriptorsHoldAddresses) {
  if (!test::HaveWineSystemFiles(Bitness::x86)) GTEST_SKIP() << "Wine system libraries not installed";
  PeBytes pe = VersionDll(Bitness::x86);
  const auto base = static_cast<std::uint32_t>(pe.image_base());
  pe.Put(kNames, std::string("old.dll\0", 8));
  pe.Put(PeBytes::kScratch, DelayDescriptor(0, base + kNames) + std::string(32, '\0'));
  pe.SetDirectory(13, PeBytes::kScratch, 64);
  EXPECT_EQ(ReadClean(pe).delay_imports, std::vector<std::string>{"old.dll"});

  // Taken as an RVA, the address would lie far outside the image; below the image base it
  // is no address of the image at all.
  pe.Put(PeBytes::kScratch, DelayDescriptor(0, kNames));
  const PeReadResult read = ReadPeImage(MemorySource(pe.bytes));
  EXPECT_EQ(read.problem, pe_problems::kDamagedDelayImports);
  ASSERT_TRUE(read.image);
  EXPECT_TRUE(read.image->delay_imports.empty());
}

struct MachineCase {
  const char* name;
  std::uint16_t code;
  Machine machine;
};
void PrintTo(const MachineCase& c, std::ostream* os) { *os << c.name; }

constexpr MachineCase kMachines[] = {
    {"X86", 0x14C, Machine::x86},          {"X64", 0x8664, Machine::x64},  {"Arm64", 0xAA64, Machine::arm64},
    {"Arm32Thumb", 0x1C4, Machine::other}, {"Unknown", 0, Machine::other},
};

class MachineCode : public ::testing::TestWithParam<MachineCase> {};

TEST_P(MachineCode, GivesProcessorKindAndCodeAsWritten) {
  if (!test::HaveWineSystemFiles(Bitness::x64)) GTEST_SKIP() << "Wine system libraries not installed";
  PeBytes pe = VersionDll(Bitness::x64);
  pe.Put16(pe.file_header(), GetParam().code);
  const PeImage image = ReadClean(pe);
  EXPECT_EQ(image.machine, GetParam().machine);
  EXPECT_EQ(image.machine_code, GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(Patched, MachineCode, ::testing::ValuesIn(kMachines),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kv::inspection
