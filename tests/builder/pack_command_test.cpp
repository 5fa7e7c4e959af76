// Building a package without the dialog, as the command line does.
#include "builder/pack_command.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "tests/builder/package_fixture.h"

namespace kv::builder {
namespace {

namespace fs = std::filesystem;
using namespace kv::test;

class Pack : public ::testing::Test {
 protected:
  Pack() {
    dir.Write("libs/a.dll", "a bytes");
    dir.Write("libs/b.ocx", "b bytes");
    dir.Write("stubs/mendKit.exe", StubBytes());
    request = {u"Tools",
               u"C:\\Tools",
               u"Line one\nLine two",
               WinPath(dir / "stubs" / "mendKit.exe"),
               WinPath(dir / "package.exe"),
               {WinPath(dir / "libs" / "a.dll"), WinPath(dir / "libs" / "b.ocx")}};
    fs::create_directories(dir / "tool");
  }
  int Run() {
    return RunPack(request, WinPath(dir / "tool"),
                   {[this](const std::u16string& line) { printed.push_back(line); },
                    [this](const std::u16string& line) { errors.push_back(line); }});
  }

  TestDir dir;
  PackRequest request;
  std::vector<std::u16string> printed;
  std::vector<std::u16string> errors;
};

TEST_F(Pack, BuildsTheSamePackageAsTheDialog) {
  ASSERT_EQ(Run(), 0);
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(ReadFile(dir / "package.exe").substr(0, StubBytes().size()), StubBytes());
  auto members = ListPackage(WinPath(dir / "package.exe"));
  std::vector<std::u16string> names;
  for (const auto& m : members) names.push_back(m.name);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::u16string>{u"a.dll", u"b.ocx", u"mendkit.ini"}));
  EXPECT_EQ(ReadFile(dir / "tool" / "mendkit.ini"),
            "[mendKit]\r\ndefaultPath=C:\\Tools\r\nmkName=Tools\r\nmkDesc=Line one\r\nLine two\r\n\r\n");
  EXPECT_TRUE(fs::is_empty(dir / "tool" / "Temp"));
  EXPECT_EQ(printed.back(), u"MendKit successfully built!");
  EXPECT_NE(
      std::find(printed.begin(), printed.end(), u"Compressing " + WinPath(dir / "tool" / "Temp" / "a.dll")),
      printed.end());
}

TEST_F(Pack, FailuresLeaveNoPackage) {
  struct Case {
    const char* name;
    std::function<void(PackRequest&)> change;
    std::u16string message_start;
  };
  const Case cases[] = {
      {"MissingLibrary",
       [this](PackRequest& r) { r.libraries.push_back(WinPath(dir / "libs" / "gone.dll")); },
       u"Unable to read "},
      {"MissingStub", [this](PackRequest& r) { r.stub = WinPath(dir / "nowhere" / "mendKit.exe"); },
       u"The installer program "},
      {"DefaultStubMissingBesideTheTool", [](PackRequest& r) { r.stub.reset(); }, u"The installer program "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PackRequest saved = request;
    c.change(request);
    errors.clear();
    EXPECT_EQ(Run(), 1);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind(c.message_start, 0), 0u);
    EXPECT_FALSE(fs::exists(dir / "package.exe"));
    request = saved;
  }
  EXPECT_FALSE(fs::exists(dir / "tool" / "mendkit.ini"));  // the stub is checked before anything is written
}

}  // namespace
}  // namespace kv::builder
