// Only the package's own libraries are registered, and entries whose names lead out of the
// destination are refused and reported while the rest installs.
#include "installer/package_members.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/unicode.h"
#include "tests/installer/installer_fixture.h"

namespace kv::installer {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;

struct NameCase {
  const char16_t* name;
  bool refused;
};

constexpr NameCase kNames[] = {
    {u"a.dll", false},          {u"sub/a.dll", false},      {u"sub\\..x.dll", false},
    {u"C:/evil.dll", true},     {u"c:evil.dll", true},      {u"//server/share/x.dll", true},
    {u"\\\\server\\x.dll", true}, {u"/root.dll", true},     {u"../up.dll", true},
    {u"sub/../../up.dll", true},
};

TEST(PackageMembers, NamesLeadingOutOfTheDestinationAreRefused) {
  for (const NameCase& c : kNames)
    EXPECT_EQ(RefusalOf(c.name) != nullptr, c.refused) << platform::Utf16ToUtf8(c.name);
}

TEST(PackageMembers, LibrariesInArchiveOrderDllsFirst) {
  EXPECT_EQ(PackageLibraries({u"z.OCX", u"b.dll", u"readme.txt", u"sub/a.DLL", u"C:/evil.dll", u"mendkit.ini", u"c.ocx"}),
            (std::vector<std::u16string>{u"b.dll", u"sub\\a.DLL", u"z.OCX", u"c.ocx"}));
}

// The entries' names are changed in the built package, in its local and central headers alike
// (same lengths, so every offset stays right).
TEST_F(InstallerTest, RegistersOnlyThePackagesOwnLibrariesAndRefusesNamesLeadingOut) {
  const std::pair<std::string, std::string> renames[] = {
      {"Q_Xevil.dll", "C:/evil.dll"}, {"QQserver.dll", "//server.dll"}, {"Qroot.dll", "/root.dll"}, {"QQQup.dll", "../up.dll"}};
  std::map<std::string, std::string> files{{"a.dll", "new a.dll"}, {"b.ocx", "new b.ocx"}};
  for (const auto& [from, to] : renames) files[from] = "crafted " + to;
  test::BuildPackage(dir, files, package::Manifest{Destination(), u"Tools", u"Fixes"}, "setup/package.exe");
  std::string bytes = ReadFile(dir / "setup" / "package.exe");
  for (const auto& [from, to] : renames)
    for (std::size_t at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at + 1))
      bytes.replace(at, from.size(), to);
  dir.Write("setup/crafted.exe", bytes);
  dir.Write("dest with spaces/stray.dll", "already there, no part of the package");
  dir.Write("dest with spaces/old.ocx", "already there too");

  Open(test::WinPath(dir / "setup" / "crafted.exe"));
  installation->ShowPackage();
  ASSERT_TRUE(installation->HoldsPackage()) << platform::Utf16ToUtf8(installation->Damage());
  installation->Install();
  EXPECT_EQ(registered, (std::vector<std::u16string>{InDestination(u"a.dll"), InDestination(u"b.ocx")}));
  EXPECT_EQ(ReadFile(dir / "dest with spaces" / "a.dll"), "new a.dll");
  ASSERT_EQ(boxes.shown.size(), 1u);
  const std::string report = platform::Utf16ToUtf8(boxes.shown[0].text);
  for (auto [from, to] : renames) {
    for (char& c : to)
      if (c == '/') c = '\\';  // names are shown with Windows separators
    EXPECT_NE(report.find("Refused: " + to + " ("), std::string::npos) << report;
  }
  EXPECT_NE(report.find("(it names a drive)"), std::string::npos) << report;
  EXPECT_FALSE(fs::exists(dir / "up.dll"));
  EXPECT_FALSE(fs::exists(dir / "root.dll"));
}

}  // namespace
}  // namespace kv::installer
