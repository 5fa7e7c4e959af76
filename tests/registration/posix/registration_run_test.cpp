// Runs of the Register button against real shared libraries and the recording regsvr32
// stand-in: result lines, log blocks, arguments handed over, end messages and re-entry.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <stdexcept>

#include "platform/unicode.h"
#include "registration/texts.h"
#include "tests/registration/batch_harness.h"
#include "tests/registration/posix/regsvr32_stand_in.h"

namespace kv::registration {
namespace {

using Names = std::vector<std::u16string>;
using Calls = std::vector<std::vector<std::string>>;

std::string Utf8(const std::u16string& text) { return platform::Utf16ToUtf8(text); }

class RegistrationRun : public ::testing::Test {
 protected:
  RegistrationRun() : regsvr32(dir) {}
  // A folder holding a.dll and c.dll (COM servers), plain.dll (no export), failing.dll, b.ocx.
  std::u16string MakeLibraryFolder(const std::string& name) {
    const auto folder = dir / name;
    for (const char* library : {"a.dll", "c.dll", "plain.dll", "failing.dll", "b.ocx"})
      CopyFixture(library, folder, library);
    return test::PathText(folder);
  }

  test::TestDir dir;
  Regsvr32StandIn regsvr32;
  BatchHarness h;
};

TEST_F(RegistrationRun, ResultLinesFollowLoadCheckAndExitCode) {
  const std::u16string folder = MakeLibraryFolder("libs") + u"\\";
  regsvr32.FailFor("failing.dll");
  h.BrowseAndTick(folder.substr(0, folder.size() - 1), {u"a.dll", u"plain.dll", u"failing.dll", u"b.ocx"});
  h.libraries.Add(u"missing.dll");
  h.libraries.SetChecked(h.libraries.Count() - 1, true);
  h.batch.RegisterTicked();

  // Each failed line is followed by its cause; a missing file's names the system's reason.
  const std::map<std::u16string, std::u16string> causes{
      {u"plain.dll", u"    not a COM server (no DllRegisterServer)"},
      {u"failing.dll", u"    DllRegisterServer reported an error (regsvr32 exit code 5)"},
      {u"missing.dll", u"    cannot be read: "}};
  Names expected_lines;
  Calls expected_calls;
  for (const auto& name : h.libraries.Names()) {
    if (name == u"c.dll") continue;  // not ticked
    const bool ok = name == u"a.dll" || name == u"b.ocx";
    expected_lines.push_back(folder + name + (ok ? u" OK!" : u" failed."));
    if (!ok) expected_lines.push_back(causes.at(name));
    // Only COM servers reach regsvr32; a missing file or a plain library never does.
    if (ok || name == u"failing.dll") expected_calls.push_back({"/s", Utf8(folder + name)});
  }
  Names lines = h.log.Lines();
  ASSERT_EQ(lines.size(), 4u + expected_lines.size() + 1u);
  ASSERT_EQ(lines[lines.size() - 2].rfind(causes.at(u"missing.dll"), 0), 0u) << Utf8(lines[lines.size() - 2]);
  lines[lines.size() - 2] = causes.at(u"missing.dll");
  EXPECT_EQ(lines, ExpectedBlock(lines, expected_lines));
  EXPECT_EQ(regsvr32.Calls(), expected_calls);
  EXPECT_EQ(h.status.Text(), u"3 of 5 libraries failed to register.");
  ASSERT_EQ(h.boxes.shown.size(), 1u);
  EXPECT_EQ(h.boxes.shown[0].kind, ui::MessageKind::Warning);
  EXPECT_EQ(h.progress.history, (std::vector<int>{0, 20, 40, 60, 80, 100, 100}));
}

TEST_F(RegistrationRun, AllRegisteredRunReportsSuccessAndTwoRunsLeaveTwoBlocks) {
  const std::u16string folder = MakeLibraryFolder("libs");
  h.BrowseAndTick(folder, {u"a.dll", u"c.dll", u"b.ocx"});
  h.batch.RegisterTicked();
  const Names first = h.log.Lines();
  EXPECT_EQ(h.status.Text(), u"All operations performed successfully!");
  ASSERT_EQ(h.boxes.shown.size(), 1u);
  EXPECT_EQ(h.boxes.shown[0].text, u"All operations performed successfully!");
  EXPECT_EQ(h.boxes.shown[0].kind, ui::MessageKind::Information);
  EXPECT_TRUE(h.save_log.Enabled());

  h.batch.RegisterTicked();
  ASSERT_EQ(h.log.Count(), 2 * 8);
  const Names second(h.log.Lines().begin() + 8, h.log.Lines().end());
  Names results;
  for (const auto& name : h.libraries.Names())
    if (name == u"a.dll" || name == u"c.dll" || name == u"b.ocx")
      results.push_back(folder + u"\\" + name + u" OK!");
  EXPECT_EQ(Names(first.begin(), first.end()), ExpectedBlock(first, results));
  EXPECT_EQ(second, ExpectedBlock(second, results));
  EXPECT_EQ(regsvr32.Calls().size(), 6u);
}

TEST_F(RegistrationRun, PathWithSpacesReachesRegsvr32AsOneArgumentWithOrWithoutSilent) {
  const std::u16string folder = MakeLibraryFolder("My Libraries") + u"\\";
  h.BrowseAndTick(folder.substr(0, folder.size() - 1), {u"a.dll", u"b.ocx"});
  // The box is read anew for each library: unticked during the first wait.
  h.pump.actions.push_back([&] { h.silent.SetChecked(false); });
  h.batch.RegisterTicked();
  const Calls calls = regsvr32.Calls();
  ASSERT_EQ(calls.size(), 2u);
  const auto first = h.libraries.Name(0) == u"a.dll" ? u"a.dll" : u"b.ocx";
  const auto second = h.libraries.Name(0) == u"a.dll" ? u"b.ocx" : u"a.dll";
  EXPECT_EQ(calls[0], (std::vector<std::string>{"/s", Utf8(folder + first)}));
  EXPECT_EQ(calls[1], (std::vector<std::string>{Utf8(folder + second)}));
}

TEST_F(RegistrationRun, RegisterClickedDuringWaitRunsANestedBlock) {
  const std::u16string folder = MakeLibraryFolder("libs") + u"\\";
  h.BrowseAndTick(folder.substr(0, folder.size() - 1), {u"a.dll"});
  h.pump.actions.push_back([&] { h.batch.RegisterTicked(); });
  h.batch.RegisterTicked();

  const std::u16string line = folder + u"a.dll OK!";
  ASSERT_EQ(h.log.Count(), 4 + 6 + 2);
  const Names nested(h.log.Lines().begin() + 4, h.log.Lines().begin() + 10);
  EXPECT_EQ(nested, ExpectedBlock(nested, {line}));
  EXPECT_EQ(h.log.Lines()[10], line);
  EXPECT_EQ(h.log.Lines()[11], kLogRule);
  EXPECT_EQ(h.boxes.shown.size(), 2u);
  EXPECT_EQ(h.progress.Position(), 100);
}

TEST_F(RegistrationRun, BrowseDuringWaitShrinksListWithoutReadingPastItsEnd) {
  const std::u16string folder = MakeLibraryFolder("libs");
  const auto small = dir / "small";
  CopyFixture("a.dll", small, "only.dll");
  h.BrowseAndTick(folder, {u"a.dll", u"c.dll", u"failing.dll", u"b.ocx", u"plain.dll"});
  h.picker.answers.push_back(test::PathText(small));
  h.pump.actions.push_back([&] {
    h.batch.BrowseForFolder();  // the list now holds one entry, ticked below
    h.batch.TickAll();
  });
  h.batch.RegisterTicked();  // the fake list fails the test on any read beyond its end

  EXPECT_EQ(h.libraries.Names(), Names{u"only.dll"});
  ASSERT_EQ(h.log.Count(), 4 + 1 + 1);  // the walk stopped at the new end
  // The one result line is that of the entry registered before the list changed.
  EXPECT_EQ(h.log.Lines()[4].rfind(folder + u"\\", 0), 0u) << Utf8(h.log.Lines()[4]);
  EXPECT_EQ(h.progress.Position(), 100);
}

TEST_F(RegistrationRun, ClosingTheWindowDuringWaitReportsFailureAndEndsLaterWaits) {
  const std::u16string folder = MakeLibraryFolder("libs") + u"\\";
  regsvr32.SleepSeconds("2");
  h.BrowseAndTick(folder.substr(0, folder.size() - 1), {u"a.dll", u"c.dll"});
  h.pump.actions.push_back([&] { h.pump.RequestTerminate(); });
  h.batch.RegisterTicked();

  Names expected;
  for (const auto& name : h.libraries.Names())
    if (name == u"a.dll" || name == u"c.dll") {
      expected.push_back(folder + name + u" failed.");
      expected.push_back(u"    the program was closed before regsvr32 ended");
    }
  EXPECT_EQ(h.log.Lines(), ExpectedBlock(h.log.Lines(), expected));
  EXPECT_EQ(h.status.Text(), u"2 of 2 libraries failed to register.");
}

TEST_F(RegistrationRun, TicksAreReadWhenTheWalkReachesAnEntry) {
  const std::u16string folder = MakeLibraryFolder("libs") + u"\\";
  h.BrowseAndTick(folder.substr(0, folder.size() - 1), {});
  const Names names = h.libraries.Names();
  h.libraries.SetChecked(0, true);
  h.libraries.SetChecked(1, true);
  // During the first wait the user unticks entry 1 and ticks entry 3 instead.
  h.pump.actions.push_back([&] {
    h.libraries.SetChecked(1, false);
    h.libraries.SetChecked(3, true);
  });
  h.batch.RegisterTicked();
  const Names results = ResultLines(h.log.Lines());
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[0].rfind(folder + names[0], 0), 0u);
  EXPECT_EQ(results[1].rfind(folder + names[3], 0), 0u);
  EXPECT_EQ(h.progress.Position(), 100);  // full at the end although the ticks changed
}

TEST_F(RegistrationRun, ExceptionDuringTheAttemptGivesFailedLine) {
  const std::u16string folder = MakeLibraryFolder("libs") + u"\\";
  test::ScriptedMessagePump pump;
  pump.actions.push_back([] { throw std::runtime_error("raised inside the wait"); });
  RegistrationRunner runner(pump);
  EXPECT_FALSE(runner.RegisterLibrary(folder + u"a.dll", true));
  EXPECT_EQ(runner.LastResultLine(), folder + u"a.dll failed.");
  EXPECT_EQ(runner.LastResult().cause, u"raised inside the wait");
  EXPECT_TRUE(runner.RegisterLibrary(folder + u"a.dll", true));  // nothing left behind
  EXPECT_EQ(runner.LastResultLine(), folder + u"a.dll OK!");
}

TEST_F(RegistrationRun, MissingDependencyIsNamedWhenRegsvr32CannotLoadTheLibrary) {
  CopyFixture("needs_helper.dll", dir / "libs", "needs_helper.dll");  // its helper stays behind
  regsvr32.FailFor("needs_helper.dll", 3);
  h.BrowseAndTick(test::PathText(dir / "libs"), {u"needs_helper.dll"});
  h.batch.RegisterTicked();
  const std::u16string folder = test::PathText(dir / "libs") + u"\\";
  EXPECT_EQ(h.log.Lines(), ExpectedBlock(h.log.Lines(), {folder + u"needs_helper.dll failed.",
                                                     u"    missing dependency kvhelper.dll; the library "
                                                     u"could not be loaded (regsvr32 exit code 3)"}));
  EXPECT_EQ(regsvr32.Calls().size(), 1u);  // started all the same: the loader has the last word
}

TEST_F(RegistrationRun, Regsvr32RunningPastItsLimitIsEndedAndReported) {
  const std::u16string folder = MakeLibraryFolder("libs") + u"\\";
  regsvr32.SleepSeconds("30");
  test::ScriptedMessagePump pump;
  RegistrationRunner runner(pump);
  runner.time_limit_seconds = 1;
  const auto started = std::chrono::steady_clock::now();
  EXPECT_FALSE(runner.RegisterLibrary(folder + u"a.dll", true));
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
  EXPECT_EQ(runner.LastResult().cause, u"timed out after 1 s; regsvr32 was ended");
  EXPECT_FALSE(runner.LastResult().exit_code.has_value());
}

TEST_F(RegistrationRun, SavedLogHoldsTheRunsBytes) {
  const std::u16string folder = MakeLibraryFolder("libs");
  h.BrowseAndTick(folder, {u"a.dll"});
  h.batch.RegisterTicked();
  h.save_log_dialog.answers.push_back(test::PathText(dir / "out.log"));
  h.batch.SaveLog();
  std::string expected;
  for (const auto& line : h.log.Lines()) expected += Utf8(line) + "\r\n";
  EXPECT_EQ(test::ReadFile(dir / "out.log"), expected);
  EXPECT_EQ(h.log.Count(), 6);
}

}  // namespace
}  // namespace kv::registration
