// The unattended installation: its switches, its log and its exit status.
#include "installer/unattended.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "platform/text_file.h"
#include "platform/unicode.h"
#include "tests/builder/package_fixture.h"

namespace kv::installer {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WinPath;

struct ParseCase {
  const char* name;
  std::vector<std::u16string> arguments;
  bool unattended;
  std::optional<std::u16string> destination;
  bool keep;
  std::optional<std::u16string> log;
  std::vector<std::u16string> ignored;
};

const ParseCase kParseCases[] = {
    {"NoSwitches", {}, false, {}, false, {}, {}},
    {"KeepWithoutSilent", {u"/KEEP"}, false, {}, true, {}, {}},
    {"SilentAlone", {u"/S"}, true, {}, false, {}, {}},
    {"CaseIgnored", {u"/s", u"/keep", u"/log=C:\\l.txt"}, true, {}, true, u"C:\\l.txt", {}},
    {"FolderWithSpacesTakesTheRest",
     {u"/S", u"/D=C:\\Program", u"Files\\My", u"Libs"},
     true,
     u"C:\\Program Files\\My Libs",
     false,
     {},
     {}},
    {"QuotedFolder", {u"/S", u"/D=C:\\Program Files\\X"}, true, u"C:\\Program Files\\X", false, {}, {}},
    {"QuotedFolderThenLog",
     {u"/S", u"/D=C:\\Libs", u"/LOG=C:\\install.log"},
     true,
     u"C:\\Libs",
     false,
     u"C:\\install.log",
     {}},
    {"UnquotedFolderEndsAtTheNextSwitch",
     {u"/D=C:\\My", u"Libs", u"/KEEP", u"/S"},
     true,
     u"C:\\My Libs",
     true,
     {},
     {}},
    {"FolderFirstThenEverySwitch",
     {u"/D=C:\\Libs", u"/LOG=C:\\l.txt", u"/KEEP", u"/S"},
     true,
     u"C:\\Libs",
     true,
     u"C:\\l.txt",
     {}},
    {"EverySwitchThenFolder",
     {u"/LOG=C:\\l.txt", u"/KEEP", u"/S", u"/D=C:\\Libs"},
     true,
     u"C:\\Libs",
     true,
     u"C:\\l.txt",
     {}},
    {"LogBetweenSilentAndFolder",
     {u"/S", u"/LOG=C:\\my log.txt", u"/D=C:\\Program Files\\X", u"/KEEP"},
     true,
     u"C:\\Program Files\\X",
     true,
     u"C:\\my log.txt",
     {}},
    {"UnknownSwitchEndsTheFolder",
     {u"/S", u"/D=C:\\Libs", u"/SILENT"},
     true,
     u"C:\\Libs",
     false,
     {},
     {u"/SILENT"}},
    {"LaterFolderWins", {u"/S", u"/D=C:\\A", u"/D=C:\\B"}, true, u"C:\\B", false, {}, {}},
    {"UnknownArgumentsKept", {u"/S", u"/SILENT", u"extra"}, true, {}, false, {}, {u"/SILENT", u"extra"}},
};

class UnattendedParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(UnattendedParse, Reads) {
  const ParseCase& c = GetParam();
  const auto options = ParseUnattended(c.arguments);
  ASSERT_EQ(options.has_value(), c.unattended);
  if (!options) return;
  EXPECT_EQ(options->destination, c.destination);
  EXPECT_EQ(options->keep_existing, c.keep);
  EXPECT_EQ(options->log_file, c.log);
  EXPECT_EQ(options->ignored, c.ignored);
}

INSTANTIATE_TEST_SUITE_P(Cases, UnattendedParse, ::testing::ValuesIn(kParseCases),
                         [](const auto& info) { return std::string(info.param.name); });

class Unattended : public ::testing::Test {
 protected:
  std::u16string MakePackage() {
    return test::BuildPackage(dir, {{"a.dll", "new a.dll"}, {"b.ocx", "new b.ocx"}},
                              package::Manifest{WinPath(dir / "manifest dest"), u"Tools", u"Fixes\r\n"},
                              "setup/package.exe");
  }
  int Run(const std::vector<std::u16string>& extra, const std::u16string& package) {
    std::vector<std::u16string> arguments{u"/S", u"/LOG=" + WinPath(dir / "install.log")};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    const auto options = ParseUnattended(arguments);
    UnattendedHooks hooks{[this] { return administrator; },
                          [this](const std::u16string& path) {
                            registered.push_back(path);
                            registration::RegistrationResult result;
                            result.registered = failing.count(path) == 0;
                            if (!result.registered)
                              result.cause = u"DllRegisterServer reported an error (regsvr32 exit code 5)";
                            return result;
                          }};
    return RunUnattended(*options, package, hooks);
  }
  std::string Log() const { return ReadFile(dir / "install.log"); }

  test::TestDir dir;
  bool administrator = true;
  std::vector<std::u16string> registered;
  std::set<std::u16string> failing;
};

TEST_F(Unattended, InstallsIntoTheManifestFolderLogsAndCleansUp) {
  const auto package = MakePackage();
  EXPECT_EQ(Run({}, package), kInstalled);
  EXPECT_EQ(ReadFile(dir / "manifest dest" / "a.dll"), "new a.dll");
  EXPECT_EQ(registered.size(), 2u);
  EXPECT_FALSE(fs::exists(dir / "manifest dest" / "mendkit.ini"));
  EXPECT_FALSE(fs::exists(dir / "setup" / "mendkit.ini"));
  const std::string log = Log();
  EXPECT_EQ(log.rfind("Processing: mendkit.ini\r\nProgram name: Tools\r\nDescription: Fixes\r\n", 0), 0u)
      << log;
  EXPECT_NE(log.find("Processing: a.dll\r\n"), std::string::npos) << log;
  EXPECT_EQ(log.substr(log.size() - 35), "Libraries successfully installed.\r\n");
}

TEST_F(Unattended, StatusTellsWhatWentWrong) {
  const auto package = MakePackage();
  const std::u16string dest = WinPath(dir / "chosen dest");

  failing.insert(dest + u"\\b.ocx");
  EXPECT_EQ(Run({u"/D=" + dest}, package), kRegistrationFailed);
  // The log names the library and, on the line below it, why it failed.
  EXPECT_NE(Log().find("Not registered: " + platform::Utf16ToUtf8(dest) +
                       "\\b.ocx\r\n    DllRegisterServer reported an error (regsvr32 exit code 5)"),
            std::string::npos)
      << Log();
  EXPECT_FALSE(fs::exists(dir / "chosen dest" / "mendkit.ini"));

  fs::remove(dir / "chosen dest" / "a.dll");
  fs::create_directory(dir / "chosen dest" / "a.dll");  // the member cannot be written
  EXPECT_EQ(Run({u"/D=" + dest}, package), kExtractionFailed);

  administrator = false;
  const std::string before = ReadFile(dir / "setup" / "package.exe");
  EXPECT_EQ(Run({u"/D=" + dest}, package), kNoAdministrator);
  EXPECT_NE(Log().find("Administrator privileges"), std::string::npos);
  EXPECT_EQ(ReadFile(dir / "setup" / "package.exe"), before);

  administrator = true;
  dir.Write("setup/plain.exe", test::StubBytes());
  EXPECT_EQ(Run({}, WinPath(dir / "setup" / "plain.exe")), kNoPackage);

  // An empty archive behind the stub installs nothing, so nothing beside it gets registered.
  registered.clear();
  dir.Write("setup/stray.dll", "not part of any package");
  dir.Write("setup/empty.exe", test::StubBytes() + std::string("PK\x05\x06", 4) + std::string(18, '\0'));
  EXPECT_EQ(Run({}, WinPath(dir / "setup" / "empty.exe")), kNoPackage);
  EXPECT_TRUE(registered.empty());
  EXPECT_NE(Log().find("The file holds no package to install."), std::string::npos) << Log();
}

// What lies behind the installer program decides whether anything is installed at all; a
// library already in the destination must not be registered for a file that installs nothing.
TEST_F(Unattended, OnlyAPackageWithMembersInstalls) {
  MakePackage();
  const std::string good = ReadFile(dir / "setup" / "package.exe");
  test::BuildPackage(dir, {}, std::nullopt, "setup/bare.exe");
  struct Case {
    const char* name;
    std::string bytes;
    int status;
  };
  const Case cases[] = {
      {"bare_installer", ReadFile(dir / "setup" / "bare.exe"), kNoPackage},
      {"cut_inside_the_first_member", good.substr(0, test::StubBytes().size() + 20), kNoPackage},
      // Every member is whole, only the directory is cut: the engine's recovery finds them all.
      {"cut_inside_the_directory", good.substr(0, good.size() - 30), kInstalled},
      {"good_package", good, kInstalled},
  };
  const std::u16string dest = WinPath(dir / "dest");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    registered.clear();
    fs::remove_all(dir / "dest");
    dir.Write("dest/stray.dll", "already there");
    dir.Write("setup/case.exe", c.bytes);
    EXPECT_EQ(Run({u"/D=" + dest}, WinPath(dir / "setup" / "case.exe")), c.status) << Log();
    if (c.status == kNoPackage) {
      EXPECT_TRUE(registered.empty());
      EXPECT_NE(Log().find("The file holds no package to install."), std::string::npos) << Log();
      EXPECT_FALSE(fs::exists(dir / "dest" / "a.dll"));
    } else {
      EXPECT_EQ(registered.size(), 2u) << "the stray library is no part of the package";
      EXPECT_EQ(ReadFile(dir / "dest" / "a.dll"), "new a.dll");
    }
  }
}

// The folder switch before the log switch, as the usage line shows them: the log is written and
// the folder is the one named, not the rest of the command line.
TEST_F(Unattended, LogAfterTheFolderIsWritten) {
  const auto package = MakePackage();
  const std::u16string dest = WinPath(dir / "chosen dest");
  const auto options = ParseUnattended({u"/S", u"/D=" + dest, u"/LOG=" + WinPath(dir / "after.log")});
  ASSERT_TRUE(options.has_value());
  EXPECT_EQ(RunUnattended(*options, package,
                          {[] { return true; },
                           [](const std::u16string&) {
                             registration::RegistrationResult result;
                             result.registered = true;
                             return result;
                           }}),
            kInstalled);
  EXPECT_EQ(ReadFile(dir / "chosen dest" / "a.dll"), "new a.dll");
  EXPECT_NE(ReadFile(dir / "after.log").find("Libraries successfully installed."), std::string::npos);
}

TEST_F(Unattended, KeepLeavesExistingFiles) {
  const auto package = MakePackage();
  dir.Write("manifest dest/a.dll", "old a.dll");
  EXPECT_EQ(Run({u"/KEEP"}, package), kInstalled);
  EXPECT_EQ(ReadFile(dir / "manifest dest" / "a.dll"), "old a.dll");
  EXPECT_EQ(ReadFile(dir / "manifest dest" / "b.ocx"), "new b.ocx");
}

}  // namespace
}  // namespace kv::installer
