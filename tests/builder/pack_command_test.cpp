// Building a package without the dialog, as the command line does.
#include "builder/pack_command.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "archive/archive_item.h"
#include "platform/file_system.h"
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
               {WinPath(dir / "libs" / "a.dll"), WinPath(dir / "libs" / "b.ocx")},
               WinPath(dir / "tmp")};
    fs::create_directories(dir / "tool");
    fs::create_directories(dir / "tmp");
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

TEST_F(Pack, BuildsInATemporaryFolderKeepingOrderAndDates) {
  constexpr std::uint32_t kDate = (24u << 25) | (5u << 21) | (17u << 16) | (13u << 11) | (45u << 5) | 29u;
  ASSERT_TRUE(platform::SetLastWriteDosTime(request.libraries[1], kDate));
  std::swap(request.libraries[0], request.libraries[1]);  // b.ocx first: the order given, not the folder's
  ASSERT_EQ(Run(), 0);
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(ReadFile(dir / "package.exe").substr(0, StubBytes().size()), StubBytes());

  archive::TKolZip reader;
  reader.SetFileName(WinPath(dir / "package.exe"));
  reader.OpenArchive(archive::kModeReadShared);
  std::vector<std::u16string> names;
  archive::TKZArchiveItem item;
  for (bool found = reader.FindFirst(u"*.*", item, archive::kDefaultSearchAttr, u""); found;
       found = reader.FindNext(item)) {
    names.push_back(item.FileName);
    if (item.FileName == u"b.ocx") {
      EXPECT_EQ(item.LastModFileDate, kDate >> 16);
      EXPECT_EQ(item.LastModFileTime, kDate & 0xFFFF);
    }
  }
  reader.SetBaseDir(WinPath(dir / "out"));
  fs::create_directories(dir / "out");
  reader.ExtractFiles(u"mendkit.ini", archive::kDefaultSearchAttr, u"");
  reader.CloseArchive();
  EXPECT_EQ(names, (std::vector<std::u16string>{u"b.ocx", u"a.dll", u"mendkit.ini"}));
  EXPECT_EQ(ReadFile(dir / "out" / "mendkit.ini"),
            "[mendKit]\r\ndefaultPath=C:\\Tools\r\nmkName=Tools\r\nmkDesc=Line one\r\nmkDescText=Line "
            "one\\nLine two\\n\r\n");

  // Nothing beside the tool; the temporary work folder is gone.
  EXPECT_TRUE(fs::is_empty(dir / "tool"));
  EXPECT_TRUE(fs::is_empty(dir / "tmp"));
  EXPECT_EQ(printed, (std::vector<std::u16string>{
                         u"Compressing " + request.libraries[0], u"Compressing " + request.libraries[1],
                         u"Compressing mendkit.ini", u"MendKit successfully built!"}));
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
      {"FolderAsLibrary", [this](PackRequest& r) { r.libraries.push_back(WinPath(dir / "libs")); },
       u"Unable to read "},
      {"TwoLibrariesOfOneName",
       [this](PackRequest& r) {
         dir.Write("other/A.DLL", "another a");
         r.libraries.push_back(WinPath(dir / "other" / "A.DLL"));
       },
       u"Two libraries are named A.DLL"},
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
  EXPECT_TRUE(fs::is_empty(dir / "tool"));
  EXPECT_TRUE(fs::is_empty(dir / "tmp"));
}

}  // namespace
}  // namespace kv::builder
