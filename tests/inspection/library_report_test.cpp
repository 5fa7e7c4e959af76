// Judging libraries before registration: dependency lookup in a Windows tree, and the reports
// and verdicts for the fixture libraries (real PE files) and small changes made to them.
#include "inspection/library_report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <tuple>

#include "inspection/problem_texts.h"
#include "platform/file_system.h"
#include "platform/unicode.h"
#include "tests/support/test_dir.h"

namespace kv::inspection {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

fs::path Fixture(const std::string& name) {
  return test::BinaryDir() / "tests" / "fixtures" / "libraries" / name;
}

fs::path CopyFixture(const std::string& name, const fs::path& folder, const std::string& as) {
  fs::create_directories(folder);
  fs::copy_file(Fixture(name), folder / as, fs::copy_options::overwrite_existing);
  return folder / as;
}

void WriteBytes(const fs::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Replaces the one occurrence of `from` in the file with `to` (same length).
void Patch(const fs::path& file, const std::string& from, const std::string& to) {
  std::string bytes = test::ReadFile(file);
  const std::size_t at = bytes.find(from);
  ASSERT_NE(at, std::string::npos) << from;
  bytes.replace(at, from.size(), to);
  WriteBytes(file, bytes);
}

std::string Utf8(const std::u16string& text) { return platform::Utf16ToUtf8(text); }

// A 64-bit Windows tree as a Wine prefix writes it (lower-case folder names): system32 holds the
// 64-bit libraries, syswow64 the 32-bit ones.
class WindowsTree : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* file :
         {"windows/system32/kernel32.dll", "windows/syswow64/MSVCP140.dll", "windows/syswow64/kernel32.dll",
          "windows/inwindows.dll", "tools/onpath.dll", "app/beside.dll"})
      dir.Write(file, "x");
    layout = LayoutOfWindowsTree(test::PathText(dir / "windows"));
    layout.path_folders = {test::PathText(dir / "tools")};
  }

  test::TestDir dir;
  platform::SystemLayout layout;
};

TEST_F(WindowsTree, EachBitnessLooksInItsOwnSystemFolderThenWindowsThenPath) {
  EXPECT_EQ(layout.native_machine, Machine::x64);  // it has a SysWOW64
  DependencyLookup lookup(layout);
  const std::u16string app = test::PathText(dir / "app");
  const struct {
    const char* name;
    Machine machine;
    fs::path folder;  // empty: missing
  } cases[] = {
      {"msvcp140.dll", Machine::x86, dir / "windows" / "syswow64"},  // letter case does not matter
      {"MSVCP140.dll", Machine::x64, {}},                            // only a 32-bit copy exists
      {"KERNEL32.dll", Machine::x64, dir / "windows" / "system32"},
      {"inwindows.dll", Machine::x86, dir / "windows"},
      {"onpath.dll", Machine::x64, dir / "tools"},
      {"beside.dll", Machine::x86, dir / "app"},
      {"nowhere.dll", Machine::x86, {}},
  };
  for (const auto& c : cases) {
    const auto found = lookup.Find(c.name, c.machine, app);
    if (c.folder.empty()) {
      EXPECT_FALSE(found.has_value()) << c.name;
    } else {
      ASSERT_TRUE(found.has_value()) << c.name;
      EXPECT_EQ(platform::FullPath(*found), platform::FullPath(test::PathText(c.folder))) << c.name;
    }
  }
  // The loader resolves API sets itself.
  EXPECT_EQ(lookup.Find("api-ms-win-crt-runtime-l1-1-0.dll", Machine::x64, app), std::u16string());
  EXPECT_EQ(lookup.Find("EXT-MS-WIN-something-l1-1-0.dll", Machine::x86, app), std::u16string());
}

TEST_F(WindowsTree, A32BitTreeHasOneSystemFolder) {
  const auto tree = dir / "old";
  dir.Write("old/System32/msvcp140.dll", "x");
  const platform::SystemLayout old = LayoutOfWindowsTree(test::PathText(tree));
  EXPECT_EQ(old.native_machine, Machine::x86);
  DependencyLookup lookup(old);
  const auto found = lookup.Find("MSVCP140.DLL", Machine::x86, u"");
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(platform::FullPath(*found), platform::FullPath(test::PathText(tree / "System32")));
}

TEST(DependencyLookup, WithoutAWindowsTreeOnlyWhatEveryWindowsHasCountsAsPresent) {
  DependencyLookup lookup(platform::SystemLayout{Machine::x64, u"", false, {}});
  EXPECT_TRUE(lookup.Find("KERNEL32.dll", Machine::x86, u"").has_value());
  EXPECT_TRUE(lookup.Find("oleaut32.dll", Machine::x64, u"").has_value());
  EXPECT_FALSE(lookup.Find("MSVCP140.dll", Machine::x64, u"").has_value());
}

// Reports of the fixture libraries, read without a Windows tree (what every Windows has counts).
class FixtureReports : public ::testing::Test {
 protected:
  LibraryReport Inspect(const fs::path& file) { return InspectLibrary(test::PathText(file), lookup); }

  test::TestDir dir;
  DependencyLookup lookup{platform::SystemLayout{Machine::x64, u"", false, {}}};
};

TEST_F(FixtureReports, ComServersOfBothBitnesses) {
  for (const auto& [name, machine, verdict] : {std::tuple{"a.dll", Machine::x86, u"x86 COM server"},
                                               std::tuple{"server64.dll", Machine::x64, u"x64 COM server"}}) {
    const LibraryReport report = Inspect(Fixture(name));
    EXPECT_EQ(report.machine, machine) << name;
    EXPECT_TRUE(report.dll);
    EXPECT_TRUE(report.com_server);
    EXPECT_EQ(report.exports, (Names{"DllRegisterServer", "DllUnregisterServer"}));
    EXPECT_TRUE(report.missing.empty()) << Utf8(report.problem);
    EXPECT_EQ(report.problem, u"") << Utf8(report.problem);
    EXPECT_EQ(Verdict(report), verdict);
  }
}

TEST_F(FixtureReports, LibrariesThatCannotBeRegisteredSayWhy) {
  dir.Write("notes.dll", "just some text\r\n");
  const auto dotnet = CopyFixture("plain.dll", dir / "net", "managed.dll");
  // Point the CLR data directory (index 14) at the headers: enough to mark a .NET assembly.
  {
    std::string bytes = test::ReadFile(dotnet);
    const std::uint32_t pe = static_cast<unsigned char>(bytes[0x3C]) | static_cast<unsigned char>(bytes[0x3D])
                                                                           << 8;
    const std::size_t clr = pe + 24 + 96 + 14 * 8;  // PE32 optional header: directories at 96
    bytes.replace(clr, 8, std::string("\x00\x01\x00\x00\x48\x00\x00\x00", 8));
    WriteBytes(dotnet, bytes);
  }
  const struct {
    fs::path file;
    const char16_t* verdict;
    std::u16string problem;  // the start of it
  } cases[] = {
      {Fixture("plain.dll"), u"x86 \u2014 not a COM server", texts::kNotComServer},
      {Fixture("plain64.dll"), u"x64 \u2014 not a COM server", texts::kNotComServer},
      {dotnet, u"x86 .NET assembly", texts::kDotNetAssembly},
      {dir / "notes.dll", u"not a library", u"not a library"},
      {dir / "missing.dll", u"not a library", u"cannot be read: "},
  };
  for (const auto& c : cases) {
    const LibraryReport report = Inspect(c.file);
    EXPECT_FALSE(report.com_server) << c.file;
    EXPECT_EQ(Verdict(report), c.verdict) << c.file;
    EXPECT_EQ(report.problem.rfind(c.problem, 0), 0u) << c.file << ": " << Utf8(report.problem);
  }
}

TEST_F(FixtureReports, MissingDependenciesAreNamedAndThoseBesideTheLibraryFollowedOneLevel) {
  const auto alone = CopyFixture("needs_helper.dll", dir / "alone", "needs_helper.dll");
  LibraryReport report = Inspect(alone);
  EXPECT_TRUE(report.com_server);
  EXPECT_NE(std::find(report.imports.begin(), report.imports.end(), "kvhelper.dll"), report.imports.end());
  EXPECT_EQ(report.missing, Names{"kvhelper.dll"});
  EXPECT_EQ(report.problem, u"missing dependency kvhelper.dll");
  EXPECT_EQ(Verdict(report), u"x86 \u2014 missing kvhelper.dll");

  // With its helper beside it nothing is missing...
  const auto paired = CopyFixture("needs_helper.dll", dir / "paired", "needs_helper.dll");
  fs::copy_file(Fixture("helper/kvhelper.dll"), dir / "paired" / "kvhelper.dll");
  EXPECT_EQ(Inspect(paired).missing, Names{});
  // ...until the helper itself needs a library that is not there: a helper that imports
  // "kvhelpex.dll" (a copy of needs_helper.dll with that one name changed).
  const auto chained = CopyFixture("needs_helper.dll", dir / "chained", "needs_helper.dll");
  const auto helper = CopyFixture("needs_helper.dll", dir / "chained", "kvhelper.dll");
  Patch(helper, "kvhelper.dll", "kvhelpex.dll");
  report = Inspect(chained);
  EXPECT_EQ(report.missing, Names{"kvhelpex.dll"});
  EXPECT_EQ(report.problem, u"missing dependency kvhelpex.dll");
}

TEST(CanHost, EachWindowsRunsItsOwnBitnessAndTheOnesItEmulates) {
  const auto on = [](Machine windows) { return platform::SystemLayout{windows, u"C:\\Windows", true, {}}; };
  EXPECT_TRUE(CanHost(Machine::x86, on(Machine::x86)));
  EXPECT_FALSE(CanHost(Machine::x64, on(Machine::x86)));
  EXPECT_TRUE(CanHost(Machine::x86, on(Machine::x64)));
  EXPECT_TRUE(CanHost(Machine::x64, on(Machine::x64)));
  EXPECT_FALSE(CanHost(Machine::arm64, on(Machine::x64)));
  EXPECT_TRUE(CanHost(Machine::arm64, on(Machine::arm64)));
  EXPECT_FALSE(CanHost(Machine::other, on(Machine::arm64)));
}

TEST(CanHost, WrongBitnessIsTheProblemOfAComServer) {
  test::TestDir dir;
  DependencyLookup lookup(platform::SystemLayout{Machine::x86, test::PathText(dir.path()), false, {}});
  const LibraryReport report = InspectLibrary(test::PathText(Fixture("server64.dll")), lookup);
  EXPECT_TRUE(report.com_server);
  EXPECT_FALSE(report.hostable);
  EXPECT_EQ(report.problem, u"cannot run on this Windows (x64 library on 32-bit Windows)");
  EXPECT_EQ(Verdict(report), u"x64 \u2014 cannot run on this Windows");
}

}  // namespace
}  // namespace kv::inspection
