// The installer window: start-up from its own file, the installation run, the picker and closing.
#include "installer/installation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "archive/errors.h"
#include "package/manifest.h"
#include "platform/unicode.h"
#include "tests/installer/installer_fixture.h"

namespace kv::installer {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;

TEST_F(InstallerTest, ShowsNameDescriptionAndPathFromTheManifest) {
  Open(MakePackage());
  installation->ShowPackage();
  EXPECT_EQ(package_info.Lines(),
            (std::vector<std::u16string>{u"Program name: Tools", u"Description: Fixes"}));
  EXPECT_EQ(destination.Text(), Destination());
  EXPECT_EQ(processing.Text(), u"Processing: mendkit.ini");
  EXPECT_EQ(progress.Position(), 0);
  EXPECT_TRUE(fs::exists(dir / "setup" / "mendkit.ini"));
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(InstallerTest, DescriptionOfSeveralLinesShowsEveryLineAsTyped) {
  Open(MakePackage(package::MemoLinesText(u"First\r\n  indented \\ C:\\x\r\n\r\nLast")));
  installation->ShowPackage();
  EXPECT_EQ(package_info.Lines(), (std::vector<std::u16string>{u"Program name: Tools", u"Description: First",
                                                               u"  indented \\ C:\\x", u"", u"Last"}));
}

TEST_F(InstallerTest, PackageOfAnEarlierBuildShowsTheFirstLineOfItsDescription) {
  // The earlier build's manifest: the memo's lines as they stood, no mkDescText.
  const auto places = test::MakeTool(dir, "packer");
  builder::PrepareStaging(places);
  dir.Write("packer/Temp/a.dll", "a");
  dir.Write("packer/Temp/mendkit.ini",
            "[mendKit]\r\ndefaultPath=C:\\Old\r\nmkName=Old\r\nmkDesc=First\r\nSecond\r\n\r\n");
  fs::create_directories(dir / "setup");
  archive::TKolZip archiver;
  builder::ConfigurePackageArchiver(archiver);
  builder::WritePackageArchive(archiver, places, test::WinPath(dir / "setup" / "package.exe"));
  Open(test::WinPath(dir / "setup" / "package.exe"));
  installation->ShowPackage();
  EXPECT_EQ(package_info.Lines(), (std::vector<std::u16string>{u"Program name: Old", u"Description: First"}));
}

TEST_F(InstallerTest, DefaultsWhenThePackageHoldsNoManifest) {
  Open(MakePackage(u"", false));
  installation->ShowPackage();
  EXPECT_EQ(package_info.Lines(), (std::vector<std::u16string>{u"Program name: (Untitled)",
                                                               u"Description: (No description available)"}));
  EXPECT_EQ(destination.Text(), test::WinPath(dir / "setup") + u"\\");
}

TEST_F(InstallerTest, LeftoverManifestBesideTheInstallerIsReplaced) {
  const auto package = MakePackage();
  dir.Write("setup/mendkit.ini", "[mendKit]\r\nmkName=Old\r\nmkDesc=Old\r\ndefaultPath=C:\\Old\r\n");
  Open(package);
  installation->ShowPackage();
  EXPECT_EQ(package_info.Lines().at(0), u"Program name: Tools");
  EXPECT_EQ(destination.Text(), Destination());
}

TEST_F(InstallerTest, WithoutAdministratorRightsEndsAndTouchesNothing) {
  const auto package = MakePackage();
  const std::string before = ReadFile(dir / "setup" / "package.exe");
  dir.Write("setup/mendkit.ini", "[mendKit]\r\nmkName=Old\r\n");
  administrator = false;
  Open(package);
  installation->ShowPackage();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(
      boxes.shown[0].text,
      u"For correct installation, program must be run with Administrator privileges! Aborting installation.");
  EXPECT_EQ(boxes.shown[0].caption, u"Install");
  EXPECT_EQ(boxes.shown[0].kind, ui::MessageKind::Error);
  EXPECT_EQ(terminated, 1);
  EXPECT_FALSE(fs::exists(dir / "setup" / "mendkit.ini"));
  EXPECT_TRUE(package_info.Lines().empty());
  EXPECT_EQ(destination.Text(), u"");
  EXPECT_EQ(ReadFile(dir / "setup" / "package.exe"), before);
}

TEST_F(InstallerTest, FileThatIsNoPackageRaisesTheEngineError) {
  dir.Write("setup/package.exe", test::StubBytes());
  Open(test::WinPath(dir / "setup" / "package.exe"));
  try {
    installation->ShowPackage();
    FAIL() << "no error";
  } catch (const archive::EKZException& error) {
    EXPECT_EQ(error.Message().rfind(u"Archiver: ", 0), 0u) << error.what();
  }
  EXPECT_EQ(package_info.Lines(), (std::vector<std::u16string>{u"The file holds no package to install."}));
  EXPECT_FALSE(install_button.Enabled());
  EXPECT_FALSE(installation->HoldsPackage());
}

// The installer program alone, as mendKit.exe is before a build: an archive with no member,
// which the engine opens without complaint. A leftover manifest beside it must not be shown.
TEST_F(InstallerTest, InstallerWithoutMembersOffersNothingToInstall) {
  const auto package = test::BuildPackage(dir, {}, std::nullopt, "setup/package.exe");
  dir.Write("setup/mendkit.ini", "[mendKit]\r\nmkName=Old\r\ndefaultPath=C:\\Old\r\n");
  dir.Write("dest with spaces/old.dll", "x");
  Open(package);
  installation->ShowPackage();
  EXPECT_EQ(package_info.Lines(), (std::vector<std::u16string>{u"The file holds no package to install."}));
  EXPECT_EQ(destination.Text(), u"");
  EXPECT_FALSE(install_button.Enabled());
  destination.SetText(Destination());
  installation->Install();  // a press that reaches the handler anyway does nothing
  EXPECT_TRUE(registered.empty());
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(closed, 0);
}

TEST_F(InstallerTest, PackageCutInsideItsFirstMemberOffersNothingToInstall) {
  MakePackage();
  const std::string whole = ReadFile(dir / "setup" / "package.exe");
  dir.Write("setup/cut.exe", whole.substr(0, test::StubBytes().size() + 20));
  Open(test::WinPath(dir / "setup" / "cut.exe"));
  EXPECT_THROW(installation->ShowPackage(), archive::EKZException);
  EXPECT_EQ(package_info.Lines(), (std::vector<std::u16string>{u"The file holds no package to install."}));
  EXPECT_FALSE(install_button.Enabled());
}

TEST_F(InstallerTest, InstallReplacesFilesAndRegistersThePackagesLibrariesDllsFirst) {
  const auto package = MakePackage();
  const std::string before = ReadFile(dir / "setup" / "package.exe");
  dir.Write("dest with spaces/a.dll", "old a.dll");
  dir.Write("dest with spaces/c.ocx", "older c.ocx");
  Open(package);
  installation->ShowPackage();
  installation->Install();

  EXPECT_EQ(ReadFile(dir / "dest with spaces" / "a.dll"), "new a.dll");
  EXPECT_EQ(ReadFile(dir / "dest with spaces" / "b.ocx"), "new b.ocx");
  // c.ocx was there before and is no part of the package: it is not registered.
  EXPECT_EQ(registered, (std::vector<std::u16string>{InDestination(u"a.dll"), InDestination(u"b.ocx")}));
  EXPECT_EQ(Texts(), (std::vector<std::u16string>{u"Libraries successfully installed."}));
  EXPECT_EQ(boxes.shown[0].kind, ui::MessageKind::Information);
  EXPECT_EQ(closed, 1);
  EXPECT_EQ(terminated, 1);
  EXPECT_FALSE(fs::exists(dir / "dest with spaces" / "mendkit.ini"));
  EXPECT_FALSE(fs::exists(dir / "setup" / "mendkit.ini"));
  EXPECT_EQ(ReadFile(dir / "setup" / "package.exe"), before);
  EXPECT_TRUE(installation->Outcome().Complete());
}

TEST_F(InstallerTest, UntickedOverwriteAsksAndNoKeepsTheOldFileWhichIsRegistered) {
  dir.Write("dest with spaces/a.dll", "old a.dll");
  Open(MakePackage());
  installation->ShowPackage();
  overwrite.SetChecked(false);
  boxes.answers.push_back(ui::MessageAnswer::No);
  installation->Install();

  const auto prompts = std::count_if(boxes.shown.begin(), boxes.shown.end(), [](const test::ShownMessage& m) {
    return m.buttons == ui::MessageButtons::YesNoNoToAllYesToAll;
  });
  EXPECT_EQ(prompts, 1);
  EXPECT_EQ(ReadFile(dir / "dest with spaces" / "a.dll"), "old a.dll");
  EXPECT_EQ(registered.at(0), InDestination(u"a.dll"));
  EXPECT_EQ(boxes.shown.back().text, u"Libraries successfully installed.");
}

TEST_F(InstallerTest, FailedRegistrationIsNamedInsteadOfSuccess) {
  failing.insert(InDestination(u"b.ocx"));
  Open(MakePackage());
  installation->ShowPackage();
  installation->Install();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].kind, ui::MessageKind::Warning);
  EXPECT_NE(boxes.shown[0].text.find(u"Not registered: " + InDestination(u"b.ocx")), std::u16string::npos);
  EXPECT_EQ(boxes.shown[0].text.find(u"a.dll"), std::u16string::npos);
  EXPECT_EQ(closed, 1);
}

TEST_F(InstallerTest, ExtractionFailureAnsweredAbortIsReported) {
  fs::create_directories(dir / "dest with spaces" / "a.dll");  // a folder where a member should go
  Open(MakePackage());
  installation->ShowPackage();
  boxes.answers.push_back(ui::MessageAnswer::Abort);
  installation->Install();
  ASSERT_FALSE(boxes.shown.empty());
  EXPECT_EQ(boxes.shown.front().buttons, ui::MessageButtons::AbortRetryIgnore);
  // The engine's reason alone: nothing hints at a full disk when a folder is in the way.
  EXPECT_NE(boxes.shown.front().text.find(u"a.dll"), std::u16string::npos);
  EXPECT_EQ(boxes.shown.front().text.find(u"disk"), std::u16string::npos)
      << platform::Utf16ToUtf8(boxes.shown.front().text);
  EXPECT_EQ(boxes.shown.back().kind, ui::MessageKind::Warning);
  EXPECT_NE(boxes.shown.back().text.find(u"aborted"), std::u16string::npos)
      << platform::Utf16ToUtf8(boxes.shown.back().text);
  EXPECT_FALSE(installation->Outcome().Complete());
}

TEST_F(InstallerTest, EmptyDestinationIsRefused) {
  Open(MakePackage());
  installation->ShowPackage();
  destination.SetText(u"");
  installation->Install();
  EXPECT_EQ(Texts(), (std::vector<std::u16string>{u"Please, select the destination folder."}));
  EXPECT_TRUE(registered.empty());
  EXPECT_EQ(closed, 0);
  EXPECT_EQ(terminated, 0);
}

TEST_F(InstallerTest, ControlsThatWouldChangeTheRunAreDisabledWhileItRuns) {
  ui::EnableControl* const controls[] = {&destination_field, &browse_button, &overwrite_box, &install_button};
  const auto enabled = [&] {
    std::vector<bool> states;
    for (const auto* c : controls) states.push_back(c->Enabled());
    return states;
  };
  const std::vector<bool> all(4, true), none(4, false);
  // A member that cannot be written, answered Abort, ends the run early; an engine error that
  // passes through must bring the controls back too.
  fs::create_directories(dir / "dest with spaces" / "a.dll");
  Open(MakePackage());
  installation->ShowPackage();
  EXPECT_EQ(enabled(), all);
  std::vector<std::vector<bool>> during;
  pump.actions.push_back([&] { during.push_back(enabled()); });
  boxes.answers.push_back(ui::MessageAnswer::Abort);
  installation->Install();
  ASSERT_FALSE(during.empty());
  EXPECT_EQ(during[0], none);
  EXPECT_EQ(enabled(), all);

  fs::remove_all(dir / "setup" / "package.exe");
  fs::create_directories(dir / "setup" / "package.exe");  // the archive cannot be opened any more
  EXPECT_ANY_THROW(installation->Install());
  EXPECT_EQ(enabled(), all);
}

TEST_F(InstallerTest, SecondInstallAndCloseDuringTheRunWaitForItsEnd) {
  Open(MakePackage());
  installation->ShowPackage();
  bool close_allowed = true;
  pump.actions.push_back([&] {
    installation->Install();  // ignored: the run is going on
    close_allowed = installation->ReadyToClose();
  });
  installation->Install();
  EXPECT_FALSE(close_allowed);
  EXPECT_EQ(registered.size(), 2u);
  EXPECT_EQ(Texts(), (std::vector<std::u16string>{u"Libraries successfully installed."}));
  EXPECT_EQ(closed, 1);
  EXPECT_FALSE(fs::exists(dir / "setup" / "mendkit.ini"));
}

TEST_F(InstallerTest, CloseQueryRemovesBothManifestCopiesOnlyWhenTheInstallersIsThere) {
  Open(MakePackage());
  installation->ShowPackage();
  dir.Write("other/mendkit.ini", "x");
  destination.SetText(test::WinPath(dir / "other"));
  EXPECT_TRUE(installation->ReadyToClose());
  EXPECT_FALSE(fs::exists(dir / "setup" / "mendkit.ini"));
  EXPECT_FALSE(fs::exists(dir / "other" / "mendkit.ini"));

  dir.Write("other/mendkit.ini", "x");
  EXPECT_TRUE(installation->ReadyToClose());
  EXPECT_TRUE(fs::exists(dir / "other" / "mendkit.ini"));
  EXPECT_TRUE(fs::exists(dir / "setup" / "package.exe"));
}

TEST_F(InstallerTest, PickerReplacesTheDestinationOnlyWhenConfirmed) {
  Open(MakePackage());
  destination.SetText(u"C:\\Before");
  picker.answers.push_back(u"C:\\Chosen\\");
  picker.answers.push_back(std::nullopt);
  installation->ChooseDestination();
  EXPECT_EQ(destination.Text(), u"C:\\Chosen");
  installation->ChooseDestination();
  EXPECT_EQ(destination.Text(), u"C:\\Chosen");
  EXPECT_EQ(picker.captions, (std::vector<std::u16string>{u"Select destination folder ...",
                                                          u"Select destination folder ..."}));
}

}  // namespace
}  // namespace kv::installer
