// "Create MendKit": gathering the ticked libraries into the staging folder.
#include "builder/gather.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "package/errors.h"
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
  list.TickNames({u"a.dll", u"b.ocx", u"gone.dll"});  // gone.dll is not there: skipped silently
  Click();
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(Staged(), (std::vector<std::string>{"a.dll", "b.ocx"}));
  EXPECT_EQ(ReadFile(dir / "tool" / "Temp" / "a.dll"), "a.dll");
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
