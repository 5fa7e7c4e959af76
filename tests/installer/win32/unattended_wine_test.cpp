// The real mendKit.exe in front of a package of test COM servers, installed unattended under Wine:
// the servers' registry values appear, the members land in a folder whose name has spaces, the
// manifest copies are gone, and the exit status tells whether every library registered.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
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

}  // namespace
}  // namespace kv::installer
