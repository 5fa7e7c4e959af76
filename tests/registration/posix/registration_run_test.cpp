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

// What the user does while the first library's regsvr32 runs.
enum class DuringRun { RegisterAgain, SelectNone, Untick, TickAnother, Browse, SaveLog, Stop };

struct DuringRunCase {
  const char* name;
  DuringRun action;
  std::vector<const char16_t*> ticked;  // in list order; the list also holds an unticked plain.dll
  std::vector<const char16_t*> results;  // the result and cause lines, after the folder
  const char16_t* end;                   // the log line before the closing rule, if any
  const char16_t* message;               // the end box's text, also the status and the status bar
};

const DuringRunCase kDuringRun[] = {
    {"second_register_starts_no_run_inside", DuringRun::RegisterAgain, {u"a.dll", u"c.dll", u"b.ocx"},
     {u"a.dll OK!", u"c.dll OK!", u"b.ocx OK!"}, nullptr, u"All operations performed successfully!"},
    {"select_none_leaves_the_run_whole", DuringRun::SelectNone, {u"a.dll", u"c.dll", u"b.ocx"},
     {u"a.dll OK!", u"c.dll OK!", u"b.ocx OK!"}, nullptr, u"All operations performed successfully!"},
    {"untick_leaves_the_run_whole", DuringRun::Untick, {u"a.dll", u"c.dll"}, {u"a.dll OK!", u"c.dll OK!"}, nullptr,
     u"All operations performed successfully!"},
    {"tick_another_adds_nothing", DuringRun::TickAnother, {u"a.dll"}, {u"a.dll OK!"}, nullptr,
     u"All operations performed successfully!"},
    {"browse_is_not_asked", DuringRun::Browse, {u"a.dll", u"c.dll"}, {u"a.dll OK!", u"c.dll OK!"}, nullptr,
     u"All operations performed successfully!"},
    {"save_log_is_not_asked", DuringRun::SaveLog, {u"a.dll"}, {u"a.dll OK!"}, nullptr,
     u"All operations performed successfully!"},
    {"stop_ends_after_the_current_library", DuringRun::Stop, {u"a.dll", u"c.dll", u"b.ocx"}, {u"a.dll OK!"},
     u"Stopped: 2 libraries not attempted.", u"Stopped: 2 libraries not attempted."},
    {"stop_after_a_failure_says_both", DuringRun::Stop, {u"failing.dll", u"a.dll"},
     {u"failing.dll failed.", u"    DllRegisterServer reported an error (regsvr32 exit code 5)"},
     u"Stopped: 1 library not attempted.",
     u"1 of 1 library failed to register. Stopped: 1 library not attempted."},
};

class RunInProgress : public RegistrationRun, public ::testing::WithParamInterface<DuringRunCase> {};

TEST_P(RunInProgress, OneBlockOneMessageAndControlsBackAsTheyWere) {
  const DuringRunCase& c = GetParam();
  const std::u16string folder = MakeLibraryFolder("libs") + u"\\";
  regsvr32.FailFor("failing.dll");
  h.folder.SetText(folder);
  for (const char16_t* name : c.ticked) h.libraries.Add(name);
  h.libraries.Add(u"plain.dll");
  for (int i = 0; i + 1 < h.libraries.Count(); ++i) h.libraries.SetChecked(i, true);
  h.select_all.SetEnabled(false);  // as a window might have it: given back disabled
  h.picker.answers.push_back(dir.text());

  std::vector<bool> locked_during;
  std::u16string caption_during;
  h.pump.actions.push_back([&] {
    locked_during = h.LockedStates();
    caption_during = h.register_button.Text();
    switch (c.action) {
      case DuringRun::RegisterAgain: h.batch.RegisterTicked(); break;
      case DuringRun::SelectNone: h.batch.UntickAll(); break;
      case DuringRun::Untick: h.libraries.SetChecked(1, false); break;
      case DuringRun::TickAnother: h.libraries.SetChecked(h.libraries.Count() - 1, true); break;
      case DuringRun::Browse: h.batch.BrowseForFolder(); break;
      case DuringRun::SaveLog: h.batch.SaveLog(); break;
      case DuringRun::Stop: h.batch.StopRun(); break;
    }
  });
  h.batch.RegisterTicked();

  EXPECT_EQ(locked_during, std::vector<bool>(7, false));
  EXPECT_EQ(caption_during, u"Stop");
  EXPECT_EQ(h.register_button.Text(), u"Register");
  EXPECT_EQ(h.LockedStates(), (std::vector<bool>{true, false, true, true, true, true, true}));
  EXPECT_FALSE(h.batch.Running());

  Names expected;
  for (const char16_t* line : c.results) expected.push_back(line[0] == u' ' ? line : folder + line);
  if (c.end != nullptr) expected.push_back(c.end);
  EXPECT_EQ(h.log.Lines(), ExpectedBlock(h.log.Lines(), expected));
  ASSERT_EQ(h.boxes.shown.size(), 1u);
  EXPECT_EQ(h.boxes.shown[0].text, c.message);
  EXPECT_EQ(h.boxes.shown[0].kind, c.end == nullptr ? ui::MessageKind::Information : ui::MessageKind::Warning);
  EXPECT_EQ(h.status.Text(), c.message);
  EXPECT_EQ(h.status_bar.Text(), c.message);
  EXPECT_TRUE(h.picker.captions.empty());
  EXPECT_EQ(h.save_log_dialog.executed, 0);
  EXPECT_EQ(h.libraries.Count(), static_cast<int>(c.ticked.size()) + 1);
  // A stopped run leaves the bar where it stopped.
  EXPECT_EQ(h.progress.Position() == 100, c.end == nullptr);
}

INSTANTIATE_TEST_SUITE_P(Cases, RunInProgress, ::testing::ValuesIn(kDuringRun),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RegistrationRun, StopOutsideARunDoesNothingAndTheNextRunIsWhole) {
  const std::u16string folder = MakeLibraryFolder("libs");
  h.BrowseAndTick(folder, {u"a.dll", u"c.dll"});
  h.batch.StopRun();
  h.batch.RegisterTicked();
  EXPECT_EQ(ResultLines(h.log.Lines()).size(), 2u);
  // A stop during one run does not carry over into the next.
  h.pump.actions.push_back([&] { h.batch.StopRun(); });
  h.batch.RegisterTicked();
  h.batch.RegisterTicked();
  EXPECT_EQ(ResultLines(h.log.Lines()).size(), 2u + 1u + 2u);
  EXPECT_EQ(h.status_bar.Text(), u"All operations performed successfully!");
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
