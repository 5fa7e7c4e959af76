// The package dialog's Build and Cancel, driven through in-memory controls, with packages written
// by the engine behind a stand-in installer program.
#include "builder/package_dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "builder/errors.h"
#include "builder/progress_position.h"
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
    form.FormCreate();
  }

  std::u16string Package() const { return WinPath(dir / "out" / "package.exe"); }

  TestDir dir;
  BuildPlaces places = MakeTool(dir);
  RecordingText edName, edPath, meDesc, Label3;
  RecordingProgressBar pbProgress;
  ui::MemoryEnable Button1{false}, Button2{false};
  ScriptedMessageBoxes boxes;
  ScriptedSaveDialog saveExe;
  ScriptedMessagePump pump;
  int closed = 0;
  TmkForm form{{edName, edPath, meDesc, pbProgress, Label3, Button1, Button2},
               {boxes, saveExe, pump, [this] { ++closed; }},
               places};
};

TEST_F(PackageDialog, StartsWithItsInitialTexts) {
  EXPECT_EQ(edName.Text(), u"My MendKit");
  EXPECT_EQ(edPath.Text(), u"C:\\Program Files\\My Libraries");
  EXPECT_EQ(meDesc.Text(), u"New libraries for better performance. Several bugs fixed.");
  EXPECT_EQ(Label3.Text(), u"Idle.");
  EXPECT_EQ(pbProgress.Position(), 0);
  EXPECT_TRUE(Button1.Enabled());
  EXPECT_TRUE(Button2.Enabled());
}

TEST_F(PackageDialog, BuildWritesStagedFilesAndManifestBehindTheInstallerProgram) {
  dir.Write("out/package.exe", "an older package, replaced after the save dialog's confirmation");
  meDesc.SetText(u"First\r\nSecond");
  saveExe.answers.push_back(Package());
  form.Button1Click();

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
            "mkDesc=First\r\nSecond\r\n\r\n");

  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, u"MendKit successfully built!");
  EXPECT_EQ(boxes.shown[0].caption, u"Kolvane");
  EXPECT_EQ(boxes.shown[0].kind, ui::MessageKind::Information);
  EXPECT_TRUE(FolderNames(dir / "tool" / "Temp").empty());
  EXPECT_EQ(closed, 1);
  EXPECT_TRUE(Button1.Enabled() && Button2.Enabled());

  const auto compressing = u"Compressing " + places.Staging() + u"\\a.dll";
  EXPECT_NE(std::find(Label3.history.begin(), Label3.history.end(), compressing), Label3.history.end())
      << "labels seen: " << Label3.history.size();
  ASSERT_FALSE(pbProgress.history.empty());
  EXPECT_TRUE(std::is_sorted(pbProgress.history.begin() + 1, pbProgress.history.end()));
  EXPECT_EQ(pbProgress.history.back(), 100);
  EXPECT_GT(pump.calls, 0);
}

TEST_F(PackageDialog, CancelledSaveClosesAndKeepsTheStagedFiles) {
  form.Button1Click();
  EXPECT_EQ(saveExe.executed, 1);
  EXPECT_EQ(closed, 1);
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(FolderNames(dir / "tool" / "Temp"), (std::vector<std::string>{"a.dll", "b.ocx", "mendkit.ini"}));
  EXPECT_TRUE(Button1.Enabled() && Button2.Enabled());
}

TEST_F(PackageDialog, MissingInstallerProgramStopsBeforeAnythingIsWritten) {
  fs::remove(dir / "tool" / "mendKit.exe");
  // The current folder holding a "mendKit.exe" must not matter.
  try {
    form.Button1Click();
    FAIL() << "no error";
  } catch (const BuilderError& error) {
    EXPECT_NE(error.Message().find(places.stub), std::u16string::npos);
  }
  EXPECT_FALSE(fs::exists(dir / "tool" / "mendkit.ini"));
  EXPECT_EQ(saveExe.executed, 0);
  EXPECT_EQ(closed, 0);
  EXPECT_TRUE(Button1.Enabled() && Button2.Enabled());
}

TEST_F(PackageDialog, UnwritableManifestStopsTheBuildWithButtonsBack) {
  fs::create_directory(dir / "tool" / "mendkit.ini");
  try {
    form.Button1Click();
    FAIL() << "no error";
  } catch (const BuilderError& error) {
    EXPECT_EQ(error.Message(), u"Unable to write to " + places.ManifestFile());
  }
  EXPECT_EQ(saveExe.executed, 0);
  EXPECT_EQ(closed, 0);
  EXPECT_TRUE(Button1.Enabled() && Button2.Enabled());
}

TEST_F(PackageDialog, EngineFailureIsReportedAndLeavesNoPackage) {
  saveExe.answers.push_back(WinPath(dir / "missing-folder" / "package.exe"));
  form.Button1Click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  const std::u16string& text = boxes.shown[0].text;
  EXPECT_EQ(text.rfind(u"Exception: ", 0), 0u) << platform::Utf16ToUtf8(text);
  EXPECT_NE(text.find(u"package.exe"), std::u16string::npos) << platform::Utf16ToUtf8(text);
  EXPECT_EQ(boxes.shown[0].kind, ui::MessageKind::Error);
  EXPECT_TRUE(FolderNames(dir / "tool" / "Temp").empty());
  EXPECT_FALSE(fs::exists(dir / "missing-folder"));
  EXPECT_EQ(closed, 1);
  EXPECT_TRUE(Button1.Enabled() && Button2.Enabled());
}

TEST_F(PackageDialog, ProgressShownTruncated) {
  const std::pair<double, int> cases[] = {{0, 0},       {0.99, 0},  {33.7, 33}, {66.66, 66},
                                          {99.999, 99}, {100, 100}, {-3, 0},    {250, 100}};
  for (const auto& [progress, position] : cases) {
    form.archiverOverallProgress(progress);
    EXPECT_EQ(pbProgress.Position(), position) << progress;
  }
  form.archiverFileProgress(u"C:\\Tool\\Temp\\a.dll");
  EXPECT_EQ(Label3.Text(), u"Compressing C:\\Tool\\Temp\\a.dll");
}

TEST_F(PackageDialog, CancelButtonCloses) {
  form.Button2Click();
  EXPECT_EQ(closed, 1);
}

}  // namespace
}  // namespace kv::builder
