// "Create MendKit": gathering the ticked libraries into the staging folder.
#include "builder/gather.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "package/errors.h"
#include "platform/file_system.h"
#include "tests/builder/package_fixture.h"
#include "tests/support/scripted_controls.h"

namespace kv::builder {
namespace {

namespace fs = std::filesystem;
using namespace kv::test;

class Gather : public ::testing::Test {
 protected:
  Gather() {
    for (const char* name : {"a.dll", "c.dll", "b.ocx"}) dir.Write(std::string("libs/") + name, name);
    for (const char16_t* name : {u"a.dll", u"c.dll", u"b.ocx", u"gone.dll"}) list.Add(name);
  }
  void Click() {
    GatherTickedLibraries(list, WinPath(dir / "libs") + u"\\", places, boxes, u"Kolvane",
                          [this] { ++dialogs; });
  }
  std::vector<std::string> Staged() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir / "tool" / "Temp"))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  TestDir dir;
  BuildPlaces places = MakeTool(dir);
  StrictCheckList list;
  ScriptedMessageBoxes boxes;
  int dialogs = 0;
};

TEST_F(Gather, NothingTickedAsksForASelection) {
  Click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, u"Please, select a files to be included in the MendKit SFX package.");
  EXPECT_EQ(boxes.shown[0].kind, ui::MessageKind::Information);
  EXPECT_EQ(boxes.shown[0].buttons, ui::MessageButtons::Ok);
  EXPECT_EQ(dialogs, 0);
  EXPECT_FALSE(fs::exists(dir / "tool" / "Temp"));
}

TEST_F(Gather, CopiesTickedLibrariesIntoAnEmptiedStagingFolder) {
  dir.Write("tool/Temp/left-over.dll", "from a cancelled dialog");
  dir.Write("tool/Temp/old/inner.txt", "x");
  list.TickNames({u"a.dll", u"b.ocx"});
  Click();
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(Staged(), (std::vector<std::string>{"a.dll", "b.ocx"}));
  EXPECT_EQ(ReadFile(dir / "tool" / "Temp" / "a.dll"), "a.dll");
}

TEST_F(Gather, StagedCopyKeepsTheLibrarysDate) {
  const std::u16string source = WinPath(dir / "libs" / "a.dll");
  constexpr std::uint32_t kDate = (20u << 25) | (3u << 21) | (14u << 16) | (9u << 11) | (26u << 5) | 10u;
  ASSERT_TRUE(platform::SetLastWriteDosTime(source, kDate));
  list.TickNames({u"a.dll"});
  Click();
  EXPECT_EQ(platform::GetLastWriteDosTime(WinPath(dir / "tool" / "Temp" / "a.dll")), kDate);
}

// Root reads through any permission bits on Linux, so the unreadable library is one that
// vanished since the listing, or a folder standing where the file was.
TEST_F(Gather, LibraryThatCannotBeStagedStopsWithItsName) {
  fs::create_directories(dir / "libs" / "folder.dll");
  list.Add(u"folder.dll");
  const std::pair<const char*, const char16_t*> cases[] = {{"vanished", u"gone.dll"},
                                                           {"folder", u"folder.dll"}};
  for (const auto& [trace, bad] : cases) {
    SCOPED_TRACE(trace);
    boxes.shown.clear();
    dir.Write("tool/Temp/left-over.dll", "x");
    for (int i = 0; i < list.Count(); ++i) list.SetChecked(i, false);
    list.TickNames({u"a.dll", bad, u"b.ocx"});
    Click();
    EXPECT_EQ(dialogs, 0);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              u"Unable to read " + WinPath(dir / "libs") + u"\\" + bad + u"; no package was built.");
    EXPECT_EQ(boxes.shown[0].kind, ui::MessageKind::Error);
    EXPECT_TRUE(Staged().empty());  // a.dll, staged before, goes too
  }
}

TEST_F(Gather, StagingFolderThatCannotBeCreatedStopsBeforeTheDialog) {
  list.TickNames({u"a.dll"});
  const BuildPlaces nowhere = BuildPlaces::Beside(WinPath(dir / "no-such-tool"));
  EXPECT_THROW(GatherTickedLibraries(list, WinPath(dir / "libs") + u"\\", nowhere, boxes, u"Kolvane",
                                     [this] { ++dialogs; }),
               package::PackageError);
  EXPECT_EQ(dialogs, 0);
}

}  // namespace
}  // namespace kv::builder
