// Damaged files, each built in the test from a real library (Wine's version.dll of either
// bitness: 16 named exports, 4 imported DLLs) with a few bytes changed. Every one must give a
// clear problem, or the image with what could be read, and never crash, hang or read outside
// the bytes (the sanitizer build checks that).
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
namespace problems = pe_problems;

constexpr int kIntactExports = 16;
constexpr int kIntactImports = 4;

// Export directory fields, by offset inside the directory.
constexpr std::uint64_t kNameCount = 24, kNameTable = 32, kOrdinalTable = 36;

std::uint64_t ExportField(const PeBytes& p, std::uint64_t field) {
  return p.FileOffset(p.Directory(0).first) + field;
}
std::uint64_t FirstNamePointer(const PeBytes& p) { return p.FileOffset(p.U32(ExportField(p, kNameTable))); }
std::uint64_t FirstOrdinal(const PeBytes& p) { return p.FileOffset(p.U32(ExportField(p, kOrdinalTable))); }
std::uint64_t FirstImportDescriptor(const PeBytes& p) { return p.FileOffset(p.Directory(1).first); }

// A name that runs into the end of the file; its RVA.
std::uint32_t EndlessName(PeBytes& p) {
  const std::uint32_t rva = p.CutAfterLastSection(64);
  p.Put(p.FileOffset(rva), std::string(64, 'A'));
  return rva;
}

// Copies of the first import descriptor up to the end of the file, without the all-zero one.
constexpr std::uint32_t kEndlessDescriptors = 20;
void EndlessImportList(PeBytes& p) {
  const std::string first = p.bytes.substr(FirstImportDescriptor(p), 20);
  const std::uint32_t rva = p.CutAfterLastSection(20 * kEndlessDescriptors);
  for (std::uint32_t i = 0; i < kEndlessDescriptors; ++i) p.Put(p.FileOffset(rva) + 20 * i, first);
  p.SetDirectory(1, rva, 20);
}

struct DamageCase {
  const char* name;
  void (*damage)(PeBytes&);
  const char16_t* problem;  // the exact text; empty when the file still reads cleanly
  bool image;
  int exports = -1;  // named exports still read; -1: not checked
  int imports = -1;
};
void PrintTo(const DamageCase& c, std::ostream* os) { *os << c.name; }

constexpr DamageCase kDamage[] = {
    {"Intact", [](PeBytes&) {}, u"", true, kIntactExports, kIntactImports},
    // The file is no PE image at all.
    {"Empty", [](PeBytes& p) { p.bytes.clear(); }, problems::kNotWindowsProgram, false},
    {"TruncatedInDosHeader", [](PeBytes& p) { p.bytes.resize(40); }, problems::kNotWindowsProgram, false},
    {"NoMzSignature", [](PeBytes& p) { p.bytes[1] = 'X'; }, problems::kNotWindowsProgram, false},
    // Broken PE headers: no image.
    {"LfanewJustPastEnd", [](PeBytes& p) { p.Put32(0x3C, static_cast<std::uint32_t>(p.bytes.size() - 23)); },
     problems::kBadPeHeader, false},
    {"LfanewHuge", [](PeBytes& p) { p.Put32(0x3C, 0xFFFFFFF0); }, problems::kBadPeHeader, false},
    {"TruncatedInPeHeader", [](PeBytes& p) { p.bytes.resize(p.lfanew() + 10); }, problems::kBadPeHeader,
     false},
    {"NoPeSignature", [](PeBytes& p) { p.bytes[p.lfanew() + 2] = 1; }, problems::kBadPeHeader, false},
    {"TruncatedInOptionalHeader", [](PeBytes& p) { p.bytes.resize(p.optional_header() + 40); },
     problems::kBadPeHeader, false},
    {"RomOptionalHeader", [](PeBytes& p) { p.Put16(p.optional_header(), 0x107); }, problems::kBadPeHeader,
     false},
    {"OptionalHeaderTooShortForItsKind", [](PeBytes& p) { p.Put16(p.file_header() + 16, 0x40); },
     problems::kBadPeHeader, false},
    {"TruncatedInSectionTable", [](PeBytes& p) { p.bytes.resize(p.section_table() + 3 * 40 + 7); },
     problems::kBadPeHeader, false},
    {"HugeSectionCount", [](PeBytes& p) { p.Put16(p.file_header() + 2, 0xFFFF); }, problems::kBadPeHeader,
     false},
    // Damage past the headers: the image with what could be read.
    {"TruncatedInExportTable", [](PeBytes& p) { p.bytes.resize(ExportField(p, 20)); },
     u"damaged export table; damaged import table", true, 0, 0},
    {"TruncatedInExportNames",
     [](PeBytes& p) { p.bytes.resize(p.FileOffset(p.U32(FirstNamePointer(p))) + 3); },
     u"damaged export table; damaged import table", true, 0, 0},
    {"ExportDirectoryOutsideFile", [](PeBytes& p) { p.SetDirectory(0, 0x7FFF0000, 0x100); },
     problems::kDamagedExports, true, 0, kIntactImports},
    {"NameTableOutsideFile", [](PeBytes& p) { p.Put32(ExportField(p, kNameTable), 0x7FFF0000); },
     problems::kDamagedExports, true, 0, kIntactImports},
    {"HugeNameCount", [](PeBytes& p) { p.Put32(ExportField(p, kNameCount), 0xFFFFFFFF); },
     problems::kDamagedExports, true, 0, kIntactImports},
    {"NameCountPastItsSection", [](PeBytes& p) { p.Put32(ExportField(p, kNameCount), 0xFFFF); },
     problems::kDamagedExports, true, 0, kIntactImports},
    {"OrdinalPastFunctionTable", [](PeBytes& p) { p.Put16(FirstOrdinal(p), 0xFFFF); },
     problems::kDamagedExports, true, kIntactExports - 1, kIntactImports},
    {"ExportNameWithoutEnd", [](PeBytes& p) { p.Put32(FirstNamePointer(p), EndlessName(p)); },
     problems::kDamagedExports, true, kIntactExports - 1, kIntactImports},
    {"ExportNameTooLong",
     [](PeBytes& p) {
       p.Put(PeBytes::kScratch, std::string(600, 'A') + '\0');
       p.Put32(FirstNamePointer(p), PeBytes::kScratch);
     },
     problems::kDamagedExports, true, kIntactExports - 1, kIntactImports},
    {"ImportDirectoryOutsideFile", [](PeBytes& p) { p.SetDirectory(1, 0x7FFF0000, 20); },
     problems::kDamagedImports, true, kIntactExports, 0},
    {"ImportListWithoutEnd", EndlessImportList, problems::kDamagedImports, true, kIntactExports,
     kEndlessDescriptors},
    {"ImportNameWithoutEnd", [](PeBytes& p) { p.Put32(FirstImportDescriptor(p) + 12, EndlessName(p)); },
     problems::kDamagedImports, true, kIntactExports, kIntactImports - 1},
    {"ImportNameAtZero", [](PeBytes& p) { p.Put32(FirstImportDescriptor(p) + 12, 0); },
     problems::kDamagedImports, true, kIntactExports, kIntactImports - 1},
    {"DelayDirectoryOutsideFile", [](PeBytes& p) { p.SetDirectory(13, 0x7FFF0000, 64); },
     problems::kDamagedDelayImports, true, kIntactExports, kIntactImports},
    {"CertificatePastEnd",
     [](PeBytes& p) { p.SetDirectory(4, static_cast<std::uint32_t>(p.bytes.size() - 8), 64); },
     problems::kDamagedCertificate, true, kIntactExports, kIntactImports},
    {"EveryTableDamaged",
     [](PeBytes& p) {
       p.SetDirectory(0, 0x7FFF0000, 0x100);
       p.SetDirectory(1, 0x7FFF0000, 20);
       p.SetDirectory(13, 0x7FFF0000, 64);
       p.SetDirectory(4, 0xFFFFFFF0, 64);
     },
     u"damaged export table; damaged import table; damaged delay-load import table; damaged certificate "
     u"table",
     true, 0, 0},
    {"NoSections", [](PeBytes& p) { p.Put16(p.file_header() + 2, 0); },
     u"damaged export table; damaged import table", true, 0, 0},
    // Absurd values the reader bounds by itself.
    {"HugeDirectoryCount", [](PeBytes& p) { p.Put32(p.rva_count_field(), 0xFFFFFFFF); }, u"", true,
     kIntactExports, kIntactImports},
    {"HugeSizeOfHeaders", [](PeBytes& p) { p.Put32(p.optional_header() + 60, 0xFFFFFFFF); }, u"", true,
     kIntactExports, kIntactImports},
};

class DamagedFile : public ::testing::TestWithParam<std::tuple<DamageCase, Bitness>> {};

TEST_P(DamagedFile, GivesClearProblemOrWhatCouldBeRead) {
  const auto& [c, bitness] = GetParam();
  if (!test::HaveWineSystemFiles(bitness)) GTEST_SKIP() << "Wine system libraries not installed";
  PeBytes pe(test::ReadFile(test::WineSystemFile(bitness, "version.dll")));
  c.damage(pe);
  const PeReadResult read = ReadPeImage(MemorySource(pe.bytes));
  EXPECT_EQ(read.problem, c.problem);
  ASSERT_EQ(read.image.has_value(), c.image);
  if (!read.image) return;
  EXPECT_EQ(read.image->machine, bitness == Bitness::x86 ? Machine::x86 : Machine::x64);
  EXPECT_TRUE(read.image->is_dll);
  if (c.exports >= 0) {
    EXPECT_EQ(read.image->exports.size(), static_cast<std::size_t>(c.exports));
  }
  if (c.imports >= 0) {
    EXPECT_EQ(read.image->imports.size(), static_cast<std::size_t>(c.imports));
  }
}

INSTANTIATE_TEST_SUITE_P(VersionDll, DamagedFile,
                         ::testing::Combine(::testing::ValuesIn(kDamage),
                                            ::testing::Values(Bitness::x86, Bitness::x64)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) + "_" +
                                  test::BitnessName(std::get<1>(info.param));
                         });

}  // namespace
}  // namespace kv::inspection
