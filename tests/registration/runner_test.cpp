#include "registration/runner.h"

#include <gtest/gtest.h>

#include "platform/unicode.h"
#include "registration/failure_causes.h"
#include "registration/regsvr32_host.h"
#include "tests/registration/batch_harness.h"

namespace kv::registration {
namespace {

using platform::Machine;

TEST(Regsvr32Parameters, PathIsQuotedAndSilentSwitchInFront) {
  EXPECT_EQ(Regsvr32Parameters(u"C:\\My Libs\\a.dll", true), u"/s \"C:\\My Libs\\a.dll\"");
  EXPECT_EQ(Regsvr32Parameters(u"C:\\My Libs\\a.dll", false), u"\"C:\\My Libs\\a.dll\"");
  EXPECT_EQ(Regsvr32Parameters(u"C:\\My Libs\\a.dll", true, Action::Unregister), u"/u /s \"C:\\My Libs\\a.dll\"");
  EXPECT_EQ(Regsvr32Parameters(u"C:\\My Libs\\a.dll", false, Action::Unregister), u"/u \"C:\\My Libs\\a.dll\"");
}

// Each library goes to the regsvr32 of its own bitness, or to none where Windows cannot run it.
struct HostCase {
  const char* name;
  Machine library;
  Machine windows;
  bool has_sysnative;
  const char16_t* program;  // nullptr: not started
  bool without_redirection;
};

constexpr HostCase kHostCases[] = {
    {"x86_on_32bit_windows", Machine::x86, Machine::x86, false, u"C:\\Windows\\System32\\regsvr32.exe", false},
    {"x64_on_32bit_windows", Machine::x64, Machine::x86, false, nullptr, false},
    {"x86_on_64bit_windows", Machine::x86, Machine::x64, true, u"C:\\Windows\\SysWOW64\\regsvr32.exe", false},
    {"x64_through_sysnative", Machine::x64, Machine::x64, true, u"C:\\Windows\\Sysnative\\regsvr32.exe", false},
    {"x64_without_sysnative", Machine::x64, Machine::x64, false, u"C:\\Windows\\System32\\regsvr32.exe", true},
    {"arm64_on_x64_windows", Machine::arm64, Machine::x64, true, nullptr, false},
    {"arm64_on_arm64_windows", Machine::arm64, Machine::arm64, true, u"C:\\Windows\\Sysnative\\regsvr32.exe", false},
    {"unknown_processor", Machine::other, Machine::x64, true, nullptr, false},
};

class Regsvr32ForBitness : public ::testing::TestWithParam<HostCase> {};

TEST_P(Regsvr32ForBitness, ChoosesTheHostOfTheLibrarysBitness) {
  const HostCase& c = GetParam();
  const platform::SystemLayout layout{c.windows, u"C:\\Windows", c.has_sysnative, {}};
  const auto host = Regsvr32For(c.library, layout);
  if (!c.program) {
    EXPECT_FALSE(host.has_value());
    return;
  }
  ASSERT_TRUE(host.has_value());
  EXPECT_EQ(host->program, c.program);
  EXPECT_EQ(host->without_redirection, c.without_redirection);
}

INSTANTIATE_TEST_SUITE_P(Cases, Regsvr32ForBitness, ::testing::ValuesIn(kHostCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Regsvr32ForBitness, StandInWithoutWindowsFolderUsesTheBareName) {
  const platform::SystemLayout stand_in{Machine::x64, u"", false, {}};
  EXPECT_EQ(Regsvr32For(Machine::x86, stand_in)->program, u"regsvr32");
  EXPECT_EQ(Regsvr32For(Machine::x64, stand_in)->program, u"regsvr32");
  EXPECT_FALSE(Regsvr32For(Machine::arm64, stand_in).has_value());
}

TEST(Regsvr32ExitCause, KnownCodesAreDecodedWithTheirNumber) {
  EXPECT_EQ(Regsvr32ExitCause(1), u"bad arguments (regsvr32 exit code 1)");
  EXPECT_EQ(Regsvr32ExitCause(2), u"OLE could not start (regsvr32 exit code 2)");
  EXPECT_EQ(Regsvr32ExitCause(3), u"the library could not be loaded (regsvr32 exit code 3)");
  EXPECT_EQ(Regsvr32ExitCause(4), u"the entry point is missing (regsvr32 exit code 4)");
  EXPECT_EQ(Regsvr32ExitCause(5), u"DllRegisterServer reported an error (regsvr32 exit code 5)");
  EXPECT_EQ(Regsvr32ExitCause(0xC0000005), u"regsvr32 exit code 3221225477");
  EXPECT_EQ(Regsvr32ExitCause(5, Action::Unregister), u"DllUnregisterServer reported an error (regsvr32 exit code 5)");
  EXPECT_EQ(Regsvr32ExitCause(3, Action::Unregister), u"the library could not be loaded (regsvr32 exit code 3)");
}

// Libraries that reading shows cannot be registered never reach regsvr32, whatever the Windows.
TEST(Registrar, LibrariesThatCannotRegisterAreNotStartedAndSayWhy) {
  test::TestDir dir;
  dir.Write("broken.dll", "not a library");
  test::ScriptedMessagePump pump;
  // A 32-bit Windows, whose regsvr32 would not exist at this made-up folder anyway.
  Registrar registrar(pump, platform::SystemLayout{Machine::x86, u"Z:\\kv-no-windows", false, {}});
  const struct {
    std::u16string path;
    std::u16string cause;  // the start of it
  } cases[] = {
      {test::PathText(FixtureLibrary("plain.dll")), u"not a COM server (no DllRegisterServer)"},
      {test::PathText(FixtureLibrary("server64.dll")),
       u"cannot run on this Windows (x64 library on 32-bit Windows)"},
      {dir.text() + u"\\broken.dll", u"not a library"},
      {dir.text() + u"\\missing.dll", u"cannot be read: "},
  };
  for (const auto& c : cases) {
    const RegistrationResult result = registrar.Register(c.path, {});
    EXPECT_FALSE(result.registered);
    EXPECT_EQ(result.cause.rfind(c.cause, 0), 0u) << platform::Utf16ToUtf8(result.cause);
    EXPECT_EQ(result.host, u"");  // nothing was started
  }
}

TEST(RegistrationRunner, EachCallLeavesItsOwnLine) {
  test::ScriptedMessagePump pump;
  RegistrationRunner runner(pump);
  EXPECT_EQ(runner.LastResultLine(), u"");
  const std::u16string plain = test::PathText(FixtureLibrary("plain.dll"));
  EXPECT_FALSE(runner.RegisterLibrary(plain, true));
  EXPECT_EQ(runner.LastResultLine(), plain + u" failed.");
  EXPECT_FALSE(runner.RegisterLibrary(u"Z:\\kv-missing\\x y.dll", false));
  EXPECT_EQ(runner.LastResultLine(), u"Z:\\kv-missing\\x y.dll failed.");
}

TEST(RunAndWait, ProgramThatCannotStartIsReported) {
  test::ScriptedMessagePump pump;
  const RunOutcome outcome = RunAndWait({u"kv-no-such-program-here", u""}, pump, 1000);
  EXPECT_FALSE(outcome.started);
  EXPECT_FALSE(outcome.exit_code.has_value());
  EXPECT_FALSE(outcome.timed_out);
}

}  // namespace
}  // namespace kv::registration
