#include "platform/process.h"

#include <gtest/gtest.h>

#include <chrono>

#include "tests/support/test_dir.h"

namespace kv::platform {
namespace {

struct SplitCase {
  const char* name;
  std::u16string text;
  std::vector<std::u16string> arguments;
};

const SplitCase kSplitCases[] = {
    {"plain", u"/s C:\\lib\\a.dll", {u"/s", u"C:\\lib\\a.dll"}},
    {"quoted_spaces", u"/s \"C:\\My Libs\\a.dll\"", {u"/s", u"C:\\My Libs\\a.dll"}},
    {"unquoted_spaces_split", u"C:\\My Libs\\a.dll", {u"C:\\My", u"Libs\\a.dll"}},
    {"extra_blanks", u"  a \t b  ", {u"a", u"b"}},
    {"empty", u"", {}},
    {"empty_quoted", u"\"\"", {u""}},
    {"trailing_backslash_in_quotes", u"\"C:\\\\\" x", {u"C:\\", u"x"}},
    {"escaped_quote", u"a\\\"b", {u"a\"b"}},
    {"literal_backslashes", u"a\\\\b", {u"a\\\\b"}},
    {"doubled_quote_inside_quotes", u"\"a\"\"b\"", {u"a\"b"}},
    {"quote_joins_parts", u"ab\"c d\"e", {u"abc de"}},
};

TEST(SplitCommandLine, FollowsWindowsRules) {
  for (const auto& c : kSplitCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SplitCommandLine(c.text), c.arguments);
  }
}

#ifdef _WIN32
constexpr const char16_t* kShell = u"cmd";
constexpr const char16_t* kExitWith7 = u"/c exit 7";
constexpr const char16_t* kExitWith0 = u"/c exit 0";
#else
constexpr const char16_t* kShell = u"sh";
constexpr const char16_t* kExitWith7 = u"-c \"exit 7\"";
constexpr const char16_t* kExitWith0 = u"-c \"exit 0\"";
#endif

std::optional<std::uint32_t> WaitFor(StartedProcess& process) {
  for (;;)
    if (auto code = process.Poll()) return code;
}

TEST(StartedProcess, ReportsExitCodeOfProgramFoundBySearchPath) {
  auto failing = StartedProcess::StartHidden(kShell, kExitWith7);
  ASSERT_TRUE(failing.has_value());
  EXPECT_EQ(WaitFor(*failing), 7u);
  EXPECT_EQ(failing->Poll(), 7u);  // stays known after the end

  auto passing = StartedProcess::StartHidden(kShell, kExitWith0);
  ASSERT_TRUE(passing.has_value());
  StartedProcess moved = std::move(*passing);
  EXPECT_EQ(WaitFor(moved), 0u);
}

// A program that runs until it is stopped, and the exit code Terminate leaves it with.
#ifdef _WIN32
// Wine's own regsvr32 running the fixture whose DllRegisterServer never returns.
std::u16string NeverEndingParameters() {
  const auto hang = kv::test::BinaryDir() / "tests" / "fixtures" / "libraries" / "hang.dll";
  return u"/s \"" + kv::test::PathText(hang) + u"\"";
}
constexpr const char16_t* kNeverEnding = u"regsvr32";
constexpr std::uint32_t kTerminatedCode = 1;
#else
std::u16string NeverEndingParameters() { return u"600"; }
constexpr const char16_t* kNeverEnding = u"sleep";
constexpr std::uint32_t kTerminatedCode = 128 + 9;  // SIGKILL
#endif

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

TEST(StartedProcess, WaitReturnsOnceTheProgramHasEnded) {
  auto process = StartedProcess::StartHidden(kShell, kExitWith7);
  ASSERT_TRUE(process.has_value());
  const auto start = Clock::now();
  EXPECT_EQ(process->WaitForEndOrInput(60'000), StartedProcess::Wake::Ended);
  EXPECT_LT(Clock::now() - start, milliseconds(30'000));  // woken by the end, not the time
  EXPECT_EQ(process->Poll(), 7u);
  // Once ended it stays ended, and there is nothing left to stop.
  EXPECT_EQ(process->WaitForEndOrInput(60'000), StartedProcess::Wake::Ended);
  process->Terminate();
  EXPECT_EQ(process->Poll(), 7u);
}

TEST(StartedProcess, WaitTimesOutOnARunningProgramThatTerminateThenEnds) {
  auto process = StartedProcess::StartHidden(kNeverEnding, NeverEndingParameters());
  ASSERT_TRUE(process.has_value());
  const auto start = Clock::now();
  EXPECT_EQ(process->WaitForEndOrInput(400), StartedProcess::Wake::TimedOut);
  const auto waited = Clock::now() - start;
  EXPECT_GE(waited, milliseconds(350));  // timers may fire a tick early
  EXPECT_LT(waited, milliseconds(5'000));
  EXPECT_FALSE(process->Poll().has_value());

  process->Terminate();
  EXPECT_EQ(process->Poll(), kTerminatedCode);  // known at once: Terminate waited for the end
  EXPECT_EQ(process->WaitForEndOrInput(60'000), StartedProcess::Wake::Ended);
  process->Terminate();
  EXPECT_EQ(process->Poll(), kTerminatedCode);
}

TEST(StartedProcess, UnknownProgramIsNotStarted) {
  EXPECT_FALSE(StartedProcess::StartHidden(u"kv-no-such-program-here", u"").has_value());
}

}  // namespace
}  // namespace kv::platform
