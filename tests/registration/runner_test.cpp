#include "registration/runner.h"

#include <gtest/gtest.h>

#include "tests/registration/window_harness.h"

namespace kv::registration {
namespace {

TEST(Regsvr32Parameters, PathIsQuotedAndSilentSwitchInFront) {
  EXPECT_EQ(Regsvr32Parameters(u"C:\\My Libs\\a.dll", true), u"/s \"C:\\My Libs\\a.dll\"");
  EXPECT_EQ(Regsvr32Parameters(u"C:\\My Libs\\a.dll", false), u"\"C:\\My Libs\\a.dll\"");
}

TEST(RegisterLibrary, LibrariesThatAreNoComServersFail) {
  test::TestDir dir;
  dir.Write("broken.dll", "not a library");
  test::FakeMessagePump pump;
  for (const std::u16string& path : {test::PathText(FixtureLibrary("plain.dll")),
                                     dir.text() + u"\\missing.dll", dir.text() + u"\\broken.dll"}) {
    EXPECT_FALSE(RegisterLibrary(path, true, pump));
  }
}

TEST(RegistrationRunner, EachCallLeavesItsOwnLine) {
  test::FakeMessagePump pump;
  RegistrationRunner runner(pump);
  EXPECT_EQ(runner.LastResultLine(), u"");
  const std::u16string plain = test::PathText(FixtureLibrary("plain.dll"));
  EXPECT_FALSE(runner.RegisterLibrary(plain, true));
  EXPECT_EQ(runner.LastResultLine(), plain + u" failed.");
  EXPECT_FALSE(runner.RegisterLibrary(u"Z:\\kv-missing\\x y.dll", false));
  EXPECT_EQ(runner.LastResultLine(), u"Z:\\kv-missing\\x y.dll failed.");
}

TEST(RunAndWait, ProgramThatCannotStartIsReported) {
  test::FakeMessagePump pump;
  const RunOutcome outcome = RunAndWait(u"kv-no-such-program-here", u"", pump);
  EXPECT_FALSE(outcome.started);
  EXPECT_FALSE(outcome.exit_code.has_value());
}

}  // namespace
}  // namespace kv::registration
