// The package dialog's Build and Cancel, driven through in-memory controls, with packages written
// by the engine behind a stand-in installer program.
#include "builder/package_creation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "package/errors.h"
#include "package/progress_position.h"
#include "platform/unicode.h"
#include "tests/builder/package_fixture.h"
#include "tests/support/scripted_controls.h"

namespace kv::builder {
namespace {

namespace fs = std::filesystem;
using namespace kv::test;

std::vector<std::string> FolderNames(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class PackageDialog : public ::testing::Test {
 protected:
  PackageDialog() {
    dir.Write("tool/Temp/a.dll", std::string(5000, 'a'));
    dir.Write("tool/Temp/b.ocx", "ocx bytes");
    creation.ShowInitialState();
  }

  std::u16string Package() const { return WinPath(dir / "out" / "package.exe"); }

  TestDir dir;
  BuildPlaces places = MakeTool(dir);
  RecordingText name, default_path, description, activity;
  RecordingProgressBar progress;
  ui::MemoryEnable build_button{false}, cancel_button{false};
  ui::MemoryEnable name_field{false}, default_path_field{false}, description_field{false};
  ScriptedMessageBoxes boxes;
  ScriptedSaveDialog save_package;
  ScriptedMessagePump pump;
  int closed = 0;
  PackageCreation creation{{name, default_path, description, progress, activity, build_button, cancel_button,
                            name_field, default_path_field, description_field},
                           {boxes, save_package, pump, [this] { ++closed; }},
                           places};
};

TEST_F(PackageDialog, StartsWithItsInitialTexts) {
  EXPECT_EQ(name.Text(), u"My MendKit");
  EXPECT_EQ(default_path.Text(), u"C:\\Program Files\\My Libraries");
  EXPECT_EQ(description.Text(), u"New libraries for better performance. Several bugs fixed.");
  EXPECT_EQ(activity.Text(), u"Idle.");
  EXPECT_EQ(progress.Position(), 0);
  EXPECT_TRUE(build_button.Enabled());
  EXPECT_TRUE(cancel_button.Enabled());
}

TEST_F(PackageDialog, BuildWritesStagedFilesAndManifestBehindTheInstallerProgram) {
  dir.Write("out/package.exe", "an older package, replaced after the save dialog's confirmation");
  description.SetText(u"First\r\nSecond");
  save_package.answers.push_back(Package());
  creation.Build();

  const std::string bytes = ReadFile(dir / "out" / "package.exe");
  EXPECT_EQ(bytes.substr(0, StubBytes().size()), StubBytes());
  auto members = ListPackage(Package());
  std::sort(members.begin(), members.end(), [](const Member& a, const Member& b) { return a.name < b.name; });
  const std::string manifest = ReadFile(dir / "tool" / "mendkit.ini");
  EXPECT_EQ(members, (std::vector<Member>{{u"a.dll", 5000},
                                          {u"b.ocx", 9},
                                          {u"mendkit.ini", static_cast<std::int64_t>(manifest.size())}}));
  EXPECT_EQ(manifest,
            "[mendKit]\r\ndefaultPath=C:\\Program Files\\My Libraries\r\nmkName=My MendKit\r\n"
            "mkDesc=First\r\nmkDescText=First\\nSecond\\n\r\n");

  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, u"MendKit successfully built!");
  EXPECT_EQ(boxes.shown[0].caption, u"Kolvane");
  EXPECT_EQ(boxes.shown[0].kind, ui::MessageKind::Information);
  EXPECT_TRUE(FolderNames(dir / "tool" / "Temp").empty());
  EXPECT_EQ(closed, 1);
  EXPECT_TRUE(build_button.Enabled() && cancel_button.Enabled());

  // The label names the library, not the staging folder it is read from.
  const auto compressing = u"Compressing a.dll";
  EXPECT_NE(std::find(activity.history.begin(), activity.history.end(), compressing), activity.history.end())
      << "labels seen: " << activity.history.size();
  ASSERT_FALSE(progress.history.empty());
  EXPECT_TRUE(std::is_sorted(progress.history.begin() + 1, progress.history.end()));
  EXPECT_EQ(progress.history.back(), 100);
  EXPECT_GT(pump.calls, 0);
}

TEST_F(PackageDialog, CancelledSaveClosesAndKeepsTheStagedFiles) {
  creation.Build();
  EXPECT_EQ(save_package.executed, 1);
  EXPECT_EQ(closed, 1);
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(FolderNames(dir / "tool" / "Temp"), (std::vector<std::string>{"a.dll", "b.ocx", "mendkit.ini"}));
  EXPECT_TRUE(build_button.Enabled() && cancel_button.Enabled());
}

TEST_F(PackageDialog, MissingInstallerProgramStopsBeforeAnythingIsWritten) {
  fs::remove(dir / "tool" / "mendKit.exe");
  // The current folder holding a "mendKit.exe" must not matter.
  try {
    creation.Build();
    FAIL() << "no error";
  } catch (const package::PackageError& error) {
    EXPECT_NE(error.Message().find(places.stub), std::u16string::npos);
  }
  EXPECT_FALSE(fs::exists(dir / "tool" / "mendkit.ini"));
  EXPECT_EQ(save_package.executed, 0);
  EXPECT_EQ(closed, 0);
  EXPECT_TRUE(build_button.Enabled() && cancel_button.Enabled());
}

TEST_F(PackageDialog, UnwritableManifestStopsTheBuildWithButtonsBack) {
  fs::create_directory(dir / "tool" / "mendkit.ini");
  try {
    creation.Build();
    FAIL() << "no error";
  } catch (const package::PackageError& error) {
    EXPECT_EQ(error.Message(), u"Unable to write to " + places.ManifestFile());
  }
  EXPECT_EQ(save_package.executed, 0);
  EXPECT_EQ(closed, 0);
  EXPECT_TRUE(build_button.Enabled() && cancel_button.Enabled());
}

TEST_F(PackageDialog, EngineFailureIsReportedAndLeavesNoPackage) {
  save_package.answers.push_back(WinPath(dir / "missing-folder" / "package.exe"));
  creation.Build();
  ASSERT_EQ(boxes.shown.size(), 1u);
  const std::u16string& text = boxes.shown[0].text;
  EXPECT_EQ(text.rfind(u"Exception: ", 0), 0u) << platform::Utf16ToUtf8(text);
  EXPECT_NE(text.find(u"package.exe"), std::u16string::npos) << platform::Utf16ToUtf8(text);
  EXPECT_EQ(boxes.shown[0].kind, ui::MessageKind::Error);
  EXPECT_TRUE(FolderNames(dir / "tool" / "Temp").empty());
  EXPECT_FALSE(fs::exists(dir / "missing-folder"));
  EXPECT_EQ(closed, 1);
  EXPECT_TRUE(build_button.Enabled() && cancel_button.Enabled());
}

TEST_F(PackageDialog, ProgressShownTruncated) {
  const std::pair<double, int> cases[] = {{0, 0},       {0.99, 0},  {33.7, 33}, {66.66, 66},
                                          {99.999, 99}, {100, 100}, {-3, 0},    {250, 100}};
  for (const auto& [percent, position] : cases) {
    creation.ShowOverallProgress(percent);
    EXPECT_EQ(progress.Position(), position) << percent;
  }
  creation.ShowFileProgress(u"C:\\Tool\\Temp\\a.dll");
  EXPECT_EQ(activity.Text(), u"Compressing a.dll");
}

TEST_F(PackageDialog, OneBuildAtATimeWithItsControlsLockedAndTheNameOffered) {
  name.SetText(u"Grid Fix");
  fs::create_directories(dir / "out");
  save_package.answers.push_back(Package());
  std::vector<bool> during;
  // The engine's progress processes messages: the user presses Build and Cancel again.
  pump.actions.push_back([&] {
    for (const ui::MemoryEnable* control :
         {&build_button, &cancel_button, &name_field, &default_path_field, &description_field})
      during.push_back(control->Enabled());
    EXPECT_TRUE(creation.Building());
    creation.Build();
    creation.Cancel();
  });
  creation.Build();

  EXPECT_EQ(during, std::vector<bool>(5, false));
  EXPECT_EQ(save_package.executed, 1);
  EXPECT_EQ(save_package.suggested, std::vector<std::u16string>{u"Grid Fix.exe"});
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, u"MendKit successfully built!");
  EXPECT_EQ(closed, 1);  // by the build's end, not by the Cancel pressed during it
  EXPECT_FALSE(creation.Building());
  for (const ui::MemoryEnable* control :
       {&build_button, &cancel_button, &name_field, &default_path_field, &description_field})
    EXPECT_TRUE(control->Enabled());
}

TEST_F(PackageDialog, CancelButtonCloses) {
  creation.Cancel();
  EXPECT_EQ(closed, 1);
}

}  // namespace
}  // namespace kv::builder
