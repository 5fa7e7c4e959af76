// The real mendKit.exe in front of a package of test COM servers, installed unattended under Wine:
// the servers' registry values appear, the members land in a folder whose name has spaces, the
// manifest copies are gone, and the exit status tells whether every library registered.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>
#include <optional>

#include "builder/package_build.h"
#include "tests/builder/package_fixture.h"

namespace kv::installer {
namespace {

namespace fs = std::filesystem;
using namespace kv::test;

fs::path Fixture(const char* name) { return BinaryDir() / "tests" / "fixtures" / "libraries" / name; }

std::optional<std::wstring> TestServerValue(const wchar_t* name) {
  wchar_t data[1024];
  DWORD size = sizeof(data);
  if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\KolvaneTest", name, RRF_RT_REG_SZ, nullptr, data, &size) !=
      ERROR_SUCCESS)
    return std::nullopt;
  return std::wstring(data);
}

void ForgetTestServers() { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\KolvaneTest"); }

// Runs the package with the arguments and returns its exit status (or -1 after a minute).
int RunPackage(const fs::path& package, const std::wstring& arguments) {
  std::wstring command = L"\"" + package.wstring() + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return -2;
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0)
    GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}

class UnattendedUnderWine : public ::testing::Test {
 protected:
  // A package of the real installer program and the named fixture libraries.
  fs::path Pack(const std::vector<const char*>& libraries) {
    fs::create_directories(dir / "tool");
    fs::copy_file(BinaryDir() / "bin" / "mendKit.exe", dir / "tool" / "mendKit.exe");
    const auto places = builder::BuildPlaces::Beside(WinPath(dir / "tool"));
    builder::PrepareStaging(places);
    for (const char* name : libraries) fs::copy_file(Fixture(name), dir / "tool" / "Temp" / name);
    builder::WriteManifestWithStagingCopy(places, {u"C:\\Unused", u"Test servers", u"For the tests\r\n"});
    fs::create_directories(dir / "pkg");
    archive::TKolZip archiver;
    builder::ConfigurePackageArchiver(archiver);
    builder::WritePackageArchive(archiver, places, WinPath(dir / "pkg" / "package.exe"));
    return dir / "pkg" / "package.exe";
  }
  std::wstring Arguments() const {
    return L"/S /LOG=\"" + (dir / "install.log").wstring() + L"\" /D=" + Destination().wstring();
  }
  fs::path Destination() const { return dir / "dest with spaces"; }

  TestDir dir;
};

TEST_F(UnattendedUnderWine, InstallsAndRegistersTheServers) {
  ForgetTestServers();
  const fs::path package = Pack({"a.dll", "b.ocx"});
  EXPECT_EQ(RunPackage(package, Arguments()), 0) << ReadFile(dir / "install.log");
  EXPECT_EQ(TestServerValue(L"a.dll"), (Destination() / "a.dll").wstring());
  EXPECT_EQ(TestServerValue(L"b.ocx"), (Destination() / "b.ocx").wstring());
  EXPECT_TRUE(fs::exists(Destination() / "a.dll"));
  EXPECT_FALSE(fs::exists(Destination() / "mendkit.ini"));
  EXPECT_FALSE(fs::exists(dir / "pkg" / "mendkit.ini"));
  EXPECT_NE(ReadFile(dir / "install.log").find("Libraries successfully installed."), std::string::npos);
  ForgetTestServers();
}

TEST_F(UnattendedUnderWine, FailingRegistrationGivesStatusOne) {
  ForgetTestServers();
  const fs::path package = Pack({"a.dll", "failing.dll"});
  EXPECT_EQ(RunPackage(package, Arguments()), 1) << ReadFile(dir / "install.log");
  EXPECT_EQ(TestServerValue(L"a.dll"), (Destination() / "a.dll").wstring());
  EXPECT_NE(ReadFile(dir / "install.log").find("Not registered: "), std::string::npos);
  ForgetTestServers();
}

// The entry's value in the 32-bit view of the installed programs, as the installer wrote it.
std::optional<std::wstring> EntryValue(const wchar_t* name) {
  wchar_t data[2048];
  DWORD size = sizeof(data);
  if (RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\MendKit Test servers",
                   name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
    return std::nullopt;
  return std::wstring(data);
}

// Runs a whole command line (as the installed programs list runs an uninstall string).
int RunCommand(std::wstring command) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return -2;
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}

// The uninstaller's copy removes it once it has ended: wait a little for that.
bool GoneSoon(const fs::path& path) {
  for (int i = 0; i < 100 && fs::exists(path); ++i) Sleep(100);
  return !fs::exists(path);
}

TEST_F(UnattendedUnderWine, QuietUninstallStringRemovesWhatTheInstallationWroteAndRegistered) {
  ForgetTestServers();
  fs::create_directories(Destination());
  { std::ofstream(Destination() / "mine.txt") << "the user's own"; }
  const fs::path package = Pack({"a.dll", "b.ocx"});
  ASSERT_EQ(RunPackage(package, Arguments()), 0) << ReadFile(dir / "install.log");
  ASSERT_TRUE(fs::exists(Destination() / "uninstall.exe"));
  const auto quiet = EntryValue(L"QuietUninstallString");
  ASSERT_TRUE(quiet.has_value());
  EXPECT_EQ(*quiet, L"\"" + (Destination() / "uninstall.exe").wstring() + L"\" /U /S");
  EXPECT_EQ(EntryValue(L"DisplayName"), L"Test servers");

  EXPECT_EQ(RunCommand(*quiet + L" /LOG=\"" + (dir / "uninstall.log").wstring() + L"\""), 0)
      << ReadFile(dir / "uninstall.log");
  EXPECT_EQ(TestServerValue(L"a.dll"), std::nullopt);
  EXPECT_EQ(TestServerValue(L"b.ocx"), std::nullopt);
  EXPECT_EQ(EntryValue(L"DisplayName"), std::nullopt);
  EXPECT_TRUE(GoneSoon(Destination() / "uninstall.exe"));
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(Destination())) left.push_back(entry.path().filename().string());
  EXPECT_EQ(left, std::vector<std::string>{"mine.txt"});
  EXPECT_NE(ReadFile(dir / "uninstall.log").find("Unregistered: "), std::string::npos);

  // Installed again with nothing else in the folder, the folder goes too.
  fs::remove(Destination() / "mine.txt");
  ASSERT_EQ(RunPackage(package, Arguments()), 0) << ReadFile(dir / "install.log");
  ASSERT_EQ(RunPackage(package, Arguments()), 0) << ReadFile(dir / "install.log");
  EXPECT_EQ(RunCommand(*EntryValue(L"QuietUninstallString")), 0);
  EXPECT_TRUE(GoneSoon(Destination()));
  ForgetTestServers();
}

TEST_F(UnattendedUnderWine, UninstallStatusesForAFileInUseAndAMissingRecord) {
  ForgetTestServers();
  const fs::path package = Pack({"a.dll"});
  ASSERT_EQ(RunPackage(package, Arguments()), 0) << ReadFile(dir / "install.log");
  const std::wstring log = L" /LOG=\"" + (dir / "uninstall.log").wstring() + L"\"";
  {
    HANDLE held = CreateFileW((Destination() / "a.dll").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(RunPackage(Destination() / "uninstall.exe", L"/U /S" + log), 1);
    CloseHandle(held);
  }
  EXPECT_NE(ReadFile(dir / "uninstall.log").find("In use, removed at the next restart: "), std::string::npos)
      << ReadFile(dir / "uninstall.log");

  ASSERT_EQ(RunPackage(package, Arguments()), 0) << ReadFile(dir / "install.log");
  fs::remove(Destination() / "uninstall.dat");
  EXPECT_EQ(RunPackage(Destination() / "uninstall.exe", L"/U /S" + log), 4);
  EXPECT_NE(ReadFile(dir / "uninstall.log").find("no installation record"), std::string::npos);
  EXPECT_TRUE(fs::exists(Destination() / "a.dll"));
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\MendKit Test servers");
  ForgetTestServers();
}

}  // namespace
}  // namespace kv::installer
