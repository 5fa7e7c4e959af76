// Unregister from the Register button's menu against real shared libraries and the recording
// regsvr32 stand-in: the question first, then the same run, log block and end message as
// Register, with "/u" handed to regsvr32.
#include <gtest/gtest.h>

#include "platform/unicode.h"
#include "registration/texts.h"
#include "tests/registration/batch_harness.h"
#include "tests/registration/posix/regsvr32_stand_in.h"

namespace kv::registration {
namespace {

using Names = std::vector<std::u16string>;
using Calls = std::vector<std::vector<std::string>>;

class UnregistrationRun : public ::testing::Test {
 protected:
  UnregistrationRun() : regsvr32(dir) {
    folder = test::PathText(dir / "libs");
    for (const char* library : {"a.dll", "failing.dll", "plain.dll", "b.ocx"})
      CopyFixture(library, dir / "libs", library);
  }
  std::u16string Path(const std::u16string& name) const { return folder + u"\\" + name; }

  test::TestDir dir;
  Regsvr32StandIn regsvr32;
  BatchHarness h;
  std::u16string folder;
};

TEST_F(UnregistrationRun, AsksFirstThenRunsRegsvr32WithUnregisterSwitch) {
  regsvr32.FailFor("failing.dll");
  h.BrowseAndTick(folder, {u"a.dll", u"failing.dll", u"plain.dll", u"b.ocx"});
  h.boxes.answers = {ui::MessageAnswer::Yes};
  h.batch.UnregisterTicked();

  ASSERT_EQ(h.boxes.shown.size(), 2u);
  EXPECT_EQ(h.boxes.shown[0].text, u"Unregister 4 libraries?");
  EXPECT_EQ(h.boxes.shown[0].buttons, ui::MessageButtons::YesNo);
  EXPECT_EQ(h.boxes.shown[1].text, u"2 of 4 libraries failed to unregister.");
  EXPECT_EQ(h.boxes.shown[1].kind, ui::MessageKind::Warning);
  Names expected;
  Calls calls;
  for (const auto& name : h.libraries.Names()) {
    const bool ok = name == u"a.dll" || name == u"b.ocx";
    expected.push_back(Path(name) + (ok ? u" OK!" : u" failed."));
    if (name == u"failing.dll") expected.push_back(u"    DllUnregisterServer reported an error (regsvr32 exit code 5)");
    if (name == u"plain.dll") expected.push_back(u"    not a COM server (no DllRegisterServer)");
    if (name != u"plain.dll") calls.push_back({"/u", "/s", platform::Utf16ToUtf8(Path(name))});
  }
  // The log header and rules are those of a registering run.
  EXPECT_EQ(h.log.Lines(), ExpectedBlock(h.log.Lines(), expected));
  EXPECT_EQ(regsvr32.Calls(), calls);
  EXPECT_EQ(h.status_bar.Text(), u"2 of 4 libraries failed to unregister.");
  EXPECT_EQ(h.progress.Position(), 100);
  EXPECT_EQ(h.register_button.Text(), u"Register");
  EXPECT_TRUE(h.save_log.Enabled());
}

TEST_F(UnregistrationRun, NoOrNothingTickedRunsNothing) {
  h.BrowseAndTick(folder, {u"a.dll"});
  h.boxes.answers = {ui::MessageAnswer::No};
  h.batch.UnregisterTicked();
  ASSERT_EQ(h.boxes.shown.size(), 1u);
  EXPECT_EQ(h.boxes.shown[0].text, u"Unregister 1 library?");

  h.batch.UntickAll();
  h.batch.UnregisterTicked();  // no question without a tick
  ASSERT_EQ(h.boxes.shown.size(), 2u);
  EXPECT_EQ(h.boxes.shown[1].text, kNothingToUnregister);
  EXPECT_EQ(h.boxes.shown[1].kind, ui::MessageKind::Error);
  EXPECT_TRUE(h.log.Lines().empty());
  EXPECT_TRUE(regsvr32.Calls().empty());
  EXPECT_FALSE(h.save_log.Enabled());
}

TEST_F(UnregistrationRun, DuringARunBothEntriesAreIgnoredAndStopEndsIt) {
  h.BrowseAndTick(folder, {u"a.dll", u"b.ocx"});
  h.boxes.answers = {ui::MessageAnswer::Yes};
  std::u16string caption_during;
  h.pump.actions.push_back([&] {
    caption_during = h.register_button.Text();
    h.batch.UnregisterTicked();
    h.batch.RegisterTicked();
    h.batch.StopRun();
  });
  h.batch.UnregisterTicked();
  EXPECT_EQ(caption_during, u"Stop");
  ASSERT_EQ(h.boxes.shown.size(), 2u);  // the question and the end message only
  EXPECT_EQ(h.boxes.shown[1].text, u"Stopped: 1 library not attempted.");
  EXPECT_EQ(regsvr32.Calls(), (Calls{{"/u", "/s", platform::Utf16ToUtf8(Path(h.libraries.Name(0)))}}));
  EXPECT_EQ(h.log.Lines(), ExpectedBlock(h.log.Lines(), {Path(h.libraries.Name(0)) + u" OK!",
                                                         u"Stopped: 1 library not attempted."}));
}

}  // namespace
}  // namespace kv::registration
