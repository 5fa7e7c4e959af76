// The undo of an installation: the record of what it wrote and registered, the uninstaller and
// the entry it leaves, a reinstall merging into them, and the uninstall that removes exactly
// what the record lists, with its statuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "installer/uninstall_entry.h"
#include "installer/uninstall_flow.h"
#include "installer/unattended_uninstall.h"
#include "installer/uninstall_record.h"
#include "installer/uninstallation.h"
#include "platform/file_system.h"
#include "tests/installer/installer_fixture.h"

namespace kv::installer {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::u16string>;
using platform::Machine;

std::set<std::string> FolderEntries(const fs::path& folder) {
  std::set<std::string> names;
  if (fs::exists(folder))
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
  return names;
}

TEST(UninstallRecord, LinesRoundTripAndMergeKeepsEachNameOnce) {
  UninstallRecord first{u"Tools", {u"a.dll", u"sub\\b.ocx"}, {{u"a.dll", Machine::x86}}};
  EXPECT_EQ(ParseRecordLines(RecordLines(first)), first);
  first.Merge({u"Tools", {u"A.DLL", u"c.dll"}, {{u"a.dll", Machine::x64}, {u"c.dll", Machine::x86}}});
  EXPECT_EQ(first.files, (Names{u"A.DLL", u"sub\\b.ocx", u"c.dll"}));
  EXPECT_EQ(first.libraries, (std::vector<RecordedLibrary>{{u"a.dll", Machine::x64}, {u"c.dll", Machine::x86}}));
}

TEST(UninstallRecord, EntriesThatWouldLeaveTheFolderAreDropped) {
  const UninstallRecord read = ParseRecordLines({u"Package=Tools", u"File=..\\outside.dll", u"File=C:\\Windows\\x.dll",
                                                 u"File=\\root.dll", u"File=sub\\..\\..\\x.dll", u"File=", u"File=ok.dll",
                                                 u"Library=x86 ..\\up.dll", u"Library=mips odd.dll", u"Library=x64 ok.dll",
                                                 u"Other=line"});
  EXPECT_EQ(read, (UninstallRecord{u"Tools", {u"ok.dll"}, {{u"ok.dll", Machine::x64}}}));
}

TEST(UninstallEntry, KeyFollowsTheNameAndValuesNameTheUninstaller) {
  EXPECT_EQ(UninstallKey(u"My Kit"), u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\MendKit My Kit");
  EXPECT_EQ(UninstallKey(u"A\\B"), UninstallKey(u"A_B"));  // a backslash would make a subkey
  EXPECT_EQ(UninstallKey(std::u16string(400, u'x')).size(), std::u16string_view(kUninstallKeysRoot).size() + 255);
  EXPECT_EQ(UninstallCommand(u"C:\\Program Files\\Kit", true), u"\"C:\\Program Files\\Kit\\uninstall.exe\" /U /S");
}

TEST(UninstallSwitches, SlashUWithOrWithoutSilentAndLogAndTheCleanUpFolder) {
  EXPECT_FALSE(ParseUninstall({u"/S", u"/LOG=x.log"}));
  const auto quiet = ParseUninstall({u"/u", u"/s", u"/LOG=C:\\Logs\\u.log"});
  ASSERT_TRUE(quiet);
  EXPECT_TRUE(quiet->silent);
  EXPECT_EQ(quiet->log_file, u"C:\\Logs\\u.log");
  EXPECT_FALSE(ParseUninstall({u"/U"})->silent);
  EXPECT_EQ(ParseCleanUp({u"/CLEANUP=C:\\Program Files\\Kit"}), u"C:\\Program Files\\Kit");
  EXPECT_FALSE(ParseCleanUp({u"/U", u"/CLEANUP="}));
}

TEST(RemoveUninstaller, WaitsForNoRecordThenTakesTheUninstallerAndTheEmptyFolder) {
  test::TestDir dir;
  dir.Write("kit/uninstall.exe", "MZ");
  dir.Write("kit/uninstall.dat", "Package=Kit\r\n");
  const std::u16string folder = test::WinPath(dir / "kit");
  EXPECT_FALSE(RemoveUninstaller(folder, 0));  // a record still there: the uninstall is not done
  EXPECT_TRUE(fs::exists(dir / "kit" / "uninstall.exe"));
  fs::remove(dir / "kit" / "uninstall.dat");
  dir.Write("kit/mine.txt", "kept");
  EXPECT_TRUE(RemoveUninstaller(folder, 0));
  EXPECT_EQ(FolderEntries(dir / "kit"), std::set<std::string>{"mine.txt"});
  fs::remove(dir / "kit" / "mine.txt");
  dir.Write("kit/uninstall.exe", "MZ");
  EXPECT_TRUE(RemoveUninstaller(folder, 0));
  EXPECT_FALSE(fs::exists(dir / "kit"));
}

class UninstallTest : public InstallerTest {
 protected:
  fs::path Dest() const { return dir / "dest with spaces"; }
  std::u16string Key() const { return UninstallKey(u"Tools"); }

  void InstallOnce() {
    boxes.shown.clear();
    Open(MakePackage());
    installation->ShowPackage();
    installation->Install();
    ASSERT_TRUE(installation->Outcome().Complete()) << boxes.shown.back().text.size();
  }

  int Uninstall(const std::function<void(UninstallServices&)>& adjust = {}) {
    UninstallServices services{pump,
                               [this] { return administrator; },
                               [this](const std::u16string& path) {
                                 unregistered.push_back(path);
                                 registration::RegistrationResult result;
                                 result.registered = failing.count(path) == 0;
                                 if (!result.registered) result.cause = u"DllUnregisterServer reported an error";
                                 return result;
                               },
                               machine_hive.get(),
                               {},
                               {}};
    if (adjust) adjust(services);
    log = {};
    Uninstallation uninstallation(Destination(), services, log, progress);
    if (!uninstallation.Administrator()) return kUninstallNoAdministrator;
    if (!uninstallation.Record()) return kNoRecord;
    return uninstallation.Run(false);
  }

  bool LogHas(const std::u16string& line) const {
    return std::find(log.Lines().begin(), log.Lines().end(), line) != log.Lines().end();
  }

  ui::MemoryLineList log;
  std::vector<std::u16string> unregistered;
};

TEST_F(UninstallTest, InstallLeavesUninstallerRecordAndEntry) {
  machine_hive->DeleteTree(Key());
  InstallOnce();
  // The uninstaller is the installer program without its archive.
  EXPECT_EQ(test::ReadFile(Dest() / "uninstall.exe"), test::StubBytes());
  EXPECT_EQ(ReadUninstallRecord(Destination()),
            (UninstallRecord{u"Tools", {u"a.dll", u"b.ocx"}, {{u"a.dll", Machine::x86}, {u"b.ocx", Machine::x86}}}));
  const auto& hive = *machine_hive;
  EXPECT_EQ(hive.ReadString(Key(), u"DisplayName"), u"Tools");
  EXPECT_EQ(hive.ReadString(Key(), u"InstallLocation"), Destination());
  EXPECT_EQ(hive.ReadString(Key(), u"UninstallString"), u"\"" + InDestination(u"uninstall.exe") + u"\" /U");
  EXPECT_EQ(hive.ReadString(Key(), u"QuietUninstallString"), u"\"" + InDestination(u"uninstall.exe") + u"\" /U /S");
  EXPECT_EQ(hive.ReadNumber(Key(), u"NoModify"), 1u);
  EXPECT_EQ(hive.ReadNumber(Key(), u"NoRepair"), 1u);
  EXPECT_EQ(hive.ReadNumber(Key(), u"EstimatedSize"), 1u);  // 18 bytes, rounded up to a kilobyte
  EXPECT_FALSE(hive.ValueExists(Key(), u"Publisher"));       // the manifest names none
  machine_hive->DeleteTree(Key());
}

TEST_F(UninstallTest, UninstallRemovesWhatWasWrittenAndKeepsWhatWasThereOrKept) {
  dir.Write("dest with spaces/mine.txt", "the user's own");
  dir.Write("dest with spaces/b.ocx", "older b.ocx");
  Open(MakePackage());
  installation->ShowPackage();
  overwrite.SetChecked(false);
  boxes.answers.push_back(ui::MessageAnswer::No);  // keep the older b.ocx
  installation->Install();
  EXPECT_EQ(installation->Outcome().written, Names{u"a.dll"});

  EXPECT_EQ(Uninstall(), kUninstalled);
  // Both libraries were registered by the installation, so both are unregistered; only the
  // file it wrote is deleted.
  EXPECT_EQ(std::set<std::u16string>(unregistered.begin(), unregistered.end()),
            (std::set<std::u16string>{InDestination(u"a.dll"), InDestination(u"b.ocx")}));
  EXPECT_EQ(FolderEntries(Dest()), (std::set<std::string>{"b.ocx", "mine.txt"}));
  EXPECT_EQ(test::ReadFile(Dest() / "b.ocx"), "older b.ocx");
  EXPECT_FALSE(machine_hive->ValueExists(Key(), u"DisplayName"));
  EXPECT_EQ(progress.Position(), 100);
}

TEST_F(UninstallTest, ReinstallMergesAndTheUninstallLeavesNothingBehind) {
  InstallOnce();
  InstallOnce();
  EXPECT_EQ(ReadUninstallRecord(Destination())->files, (Names{u"a.dll", u"b.ocx"}));
  EXPECT_EQ(Uninstall(), kUninstalled);
  EXPECT_FALSE(fs::exists(Dest()));
  EXPECT_FALSE(machine_hive->ValueExists(Key(), u"DisplayName"));
  EXPECT_TRUE(LogHas(u"Removed the folder " + Destination()));
  EXPECT_TRUE(LogHas(kUninstalledText));
}

// How an uninstall ends when something stands in its way.
struct StatusCase {
  const char* name;
  bool administrator;
  bool record;
  bool unregister_fails;
  int delete_refused;  // 0: deletes work; 1: a.dll in use, marked for the restart; 2: not even that
  int status;
  const char16_t* log_line;  // a line the log must hold; a "%" stands for the destination
};

const StatusCase kStatusCases[] = {
    {"no_administrator", false, true, false, 0, kUninstallNoAdministrator, kUninstallNoAdministratorText},
    {"no_record", true, false, false, 0, kNoRecord, kNoRecordText},
    {"unregister_fails", true, true, true, 0, kUninstallLeftOver, u"Not unregistered: %\\b.ocx"},
    {"file_in_use", true, true, false, 1, kUninstallLeftOver, u"In use, removed at the next restart: %\\a.dll"},
    {"file_stuck", true, true, false, 2, kUninstallLeftOver, u"Could not remove: %\\a.dll"},
};

class UninstallStatus : public UninstallTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(UninstallStatus, EndsWithItsStatusAndSaysWhy) {
  const StatusCase& c = GetParam();
  InstallOnce();
  if (!c.record) fs::remove(Dest() / "uninstall.dat");
  if (c.unregister_fails) failing.insert(InDestination(u"b.ocx"));
  administrator = c.administrator;
  std::vector<std::u16string> at_restart;
  const int status = Uninstall([&](UninstallServices& services) {
    services.delete_file = [&](const std::u16string& path) {
      return (c.delete_refused == 0 || path != InDestination(u"a.dll")) && platform::DeleteFileAt(path);
    };
    services.delete_at_restart = [&](const std::u16string& path) {
      at_restart.push_back(path);
      return c.delete_refused == 1;
    };
  });
  EXPECT_EQ(status, c.status);
  std::u16string line = c.log_line;
  if (const auto at = line.find(u'%'); at != std::u16string::npos) line.replace(at, 1, Destination());
  EXPECT_TRUE(LogHas(line)) << std::string(line.begin(), line.end());
  const bool ran = c.administrator && c.record;
  EXPECT_EQ(fs::exists(Dest() / "b.ocx"), !ran);
  // A file that could not go stays in the record, with the entry, for a later uninstall.
  const bool stuck = c.delete_refused == 2;
  EXPECT_EQ(fs::exists(Dest() / "uninstall.dat"), c.record && (!ran || stuck));
  if (stuck) {
    EXPECT_EQ(ReadUninstallRecord(Destination())->files, Names{u"a.dll"});
  }
  EXPECT_EQ(machine_hive->ValueExists(Key(), u"DisplayName"), !ran || stuck);
  if (c.delete_refused == 1) {
    EXPECT_EQ(at_restart, (Names{InDestination(u"a.dll"), Destination()}));
  }
  machine_hive->DeleteTree(Key());
}

INSTANTIATE_TEST_SUITE_P(Cases, UninstallStatus, ::testing::ValuesIn(kStatusCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UninstallTest, AnEntryOwnedByAnInstallationElsewhereStays) {
  InstallOnce();
  machine_hive->WriteString(Key(), u"InstallLocation", u"C:\\Somewhere else");
  EXPECT_EQ(Uninstall(), kUninstalled);
  EXPECT_TRUE(machine_hive->ValueExists(Key(), u"DisplayName"));
  machine_hive->DeleteTree(Key());
}

TEST_F(UninstallTest, WindowAsksFirstThenRunsWithProgressReportsAndCloses) {
  InstallOnce();
  int after_run = 0;
  const auto flow_for = [&] {
    closed = terminated = 0;
    boxes.shown.clear();
    package_info = {};
    destination.SetText(Destination());
    UninstallServices uninstall{pump, [] { return true; },
                                [](const std::u16string&) {
                                  registration::RegistrationResult result;
                                  result.registered = true;
                                  return result;
                                },
                                machine_hive.get(), {}, {}};
    return std::make_unique<UninstallFlow>(
        Controls(), UninstallWindowServices{boxes, pump, [&] { ++closed; }, [&] { ++terminated; }, [&] { ++after_run; }, uninstall},
        Destination());
  };
  auto flow = flow_for();
  flow->Show();
  EXPECT_EQ(package_info.Lines(), (Names{u"Program name: Tools", u"Installed in: " + Destination()}));
  EXPECT_TRUE(install_button.Enabled());
  EXPECT_FALSE(destination_field.Enabled());
  boxes.answers = {ui::MessageAnswer::No};
  flow->Uninstall();
  EXPECT_EQ(Texts(), Names{u"Remove Tools and all of its libraries?"});
  EXPECT_TRUE(fs::exists(Dest() / "a.dll"));

  boxes.answers = {ui::MessageAnswer::Yes};
  flow->Uninstall();
  EXPECT_EQ(flow->Status(), kUninstalled);
  EXPECT_EQ(boxes.shown.back().text, kUninstalledText);
  EXPECT_EQ(progress.Position(), 100);
  EXPECT_EQ(processing.Text(), kUninstalledText);
  EXPECT_EQ((std::vector<int>{after_run, closed, terminated}), (std::vector<int>{1, 1, 1}));
  EXPECT_FALSE(fs::exists(Dest() / "a.dll"));

  // Nothing left to remove: the message and the end, with the button off.
  flow = flow_for();
  flow->Show();
  EXPECT_EQ(Texts(), Names{kNoRecordText});
  EXPECT_EQ(terminated, 1);
  EXPECT_FALSE(install_button.Enabled());
}

}  // namespace
}  // namespace kv::installer
