// The installation run with the real registration core and the recording regsvr32 stand-in of the
// fixtures: each library reaches regsvr32 silently as one argument, spaces in the folder included,
// and a failing one is named at the end.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/unicode.h"
#include "tests/installer/installer_fixture.h"

namespace kv::installer {
namespace {

namespace fs = std::filesystem;

fs::path FixtureFolder() { return test::BinaryDir() / "tests" / "fixtures" / "libraries"; }

// Puts the stand-in first on PATH for one test and restores the environment afterwards.
class StandInRegsvr32 {
 public:
  explicit StandInRegsvr32(const test::TestDir& dir) : record_(dir / "regsvr32-calls.txt") {
    const char* path = std::getenv("PATH");
    Set("PATH", FixtureFolder().string() + ":" + (path ? path : "/usr/bin:/bin"));
    Set("KV_REGSVR32_LOG", record_.string());
  }
  ~StandInRegsvr32() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
      it->second ? setenv(it->first.c_str(), it->second->c_str(), 1) : unsetenv(it->first.c_str());
  }
  void FailFor(const std::string& suffix) {
    Set("KV_REGSVR32_FAIL_SUFFIX", suffix);
    Set("KV_REGSVR32_FAIL_CODE", "5");
  }
  // One line per call, the arguments separated by "|".
  std::vector<std::string> Calls() const {
    std::vector<std::string> calls;
    std::ifstream in(record_);
    for (std::string line; std::getline(in, line);) calls.push_back(line);
    return calls;
  }

 private:
  void Set(const char* name, const std::string& value) {
    const char* old = std::getenv(name);
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    setenv(name, value.c_str(), 1);
  }
  fs::path record_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

class InstallerRegistration : public InstallerTest {
 protected:
  std::u16string MakeRealPackage() {
    std::optional<package::Manifest> manifest = package::Manifest{Destination(), u"Tools", u"Fixes\r\n"};
    return test::BuildPackage(dir,
                              {{"a.dll", test::ReadFile(FixtureFolder() / "a.dll")},
                               {"b.ocx", test::ReadFile(FixtureFolder() / "b.ocx")}},
                              manifest, "setup/package.exe");
  }
  // The window's default registration: the registration core.
  void OpenWithRealRegistration(const std::u16string& package) {
    InstallerServices services{boxes,
                               picker,
                               pump,
                               [this] { closed += installation->ReadyToClose() ? 1 : 0; },
                               [this] { ++terminated; },
                               [] { return true; },
                               nullptr};
    installation = std::make_unique<Installation>(Controls(), std::move(services), package);
  }
  std::string Native(const char16_t* name) const { return platform::Utf16ToUtf8(InDestination(name)); }
};

TEST_F(InstallerRegistration, EveryLibraryReachesRegsvr32SilentlyAsOneArgument) {
  StandInRegsvr32 regsvr32(dir);
  OpenWithRealRegistration(MakeRealPackage());
  installation->ShowPackage();
  installation->Install();
  EXPECT_EQ(regsvr32.Calls(), (std::vector<std::string>{"/s|" + Native(u"a.dll"), "/s|" + Native(u"b.ocx")}));
  EXPECT_EQ(Texts(), (std::vector<std::u16string>{u"Libraries successfully installed."}));
}

TEST_F(InstallerRegistration, FailingRegsvr32IsNamedInTheWarning) {
  StandInRegsvr32 regsvr32(dir);
  regsvr32.FailFor(".ocx");
  OpenWithRealRegistration(MakeRealPackage());
  installation->ShowPackage();
  installation->Install();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].kind, ui::MessageKind::Warning);
  EXPECT_NE(boxes.shown[0].text.find(u"Not registered: " + InDestination(u"b.ocx")), std::u16string::npos);
  EXPECT_EQ(installation->Outcome().registered, (std::vector<std::u16string>{InDestination(u"a.dll")}));
}

}  // namespace
}  // namespace kv::installer
