// The Register button against the system's own regsvr32 and the test COM servers, which record
// their registration under HKCU\Software\KolvaneTest (value name = file name, data = path).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "platform/system_layout.h"
#include "platform/unicode.h"

#include "platform/registry.h"
#include "tests/registration/batch_harness.h"

namespace kv::registration {
namespace {

using Names = std::vector<std::u16string>;
constexpr char16_t kTestKey[] = u"Software\\KolvaneTest";

class RealRegistration : public ::testing::Test {
 protected:
  void SetUp() override { hive->DeleteTree(kTestKey); }
  void TearDown() override { hive->DeleteTree(kTestKey); }

  std::optional<std::u16string> Recorded(const std::u16string& name) const {
    return hive->ReadString(kTestKey, name);
  }

  test::TestDir dir;
  std::unique_ptr<platform::RegistryHive> hive = platform::OpenCurrentUserHive();
  BatchHarness h;
};

TEST_F(RealRegistration, ComServersInAFolderWithSpacesAreRegisteredByRegsvr32) {
  const auto folder = dir / "My COM Libraries";
  for (const char* name : {"a.dll", "c.dll", "b.ocx"}) CopyFixture(name, folder, name);
  h.BrowseAndTick(test::PathText(folder), {u"a.dll", u"b.ocx"});
  h.batch.RegisterTicked();

  const std::u16string prefix = test::PathText(folder) + u"\\";
  Names results;
  for (const auto& name : h.libraries.Names())
    if (name != u"c.dll") results.push_back(prefix + name + u" OK!");
  EXPECT_EQ(h.log.Lines(), ExpectedBlock(h.log.Lines(), results));
  EXPECT_EQ(h.status.Text(), u"All operations performed successfully!");
  // The servers ran inside regsvr32 and wrote their own full paths.
  EXPECT_EQ(Recorded(u"a.dll"), prefix + u"a.dll");
  EXPECT_EQ(Recorded(u"b.ocx"), prefix + u"b.ocx");
  EXPECT_FALSE(Recorded(u"c.dll").has_value());  // not ticked
}

TEST_F(RealRegistration, FailuresAreReportedPerLibrary) {
  const auto folder = dir / "libs";
  for (const char* name : {"a.dll", "plain.dll", "failing.dll"}) CopyFixture(name, folder, name);
  h.BrowseAndTick(test::PathText(folder), {u"a.dll", u"plain.dll", u"failing.dll"});
  h.libraries.Add(u"missing.dll");
  h.libraries.SetChecked(h.libraries.Count() - 1, true);
  h.silent.SetChecked(true);
  h.batch.RegisterTicked();

  const std::u16string prefix = test::PathText(folder) + u"\\";
  Names results;
  for (const auto& name : h.libraries.Names())
    results.push_back(prefix + name + (name == u"a.dll" ? u" OK!" : u" failed."));
  EXPECT_EQ(ResultLines(h.log.Lines()), results);
  // Each failed line is followed by its cause.
  const auto cause_after = [&](const std::u16string& name) {
    const auto at = std::find(h.log.Lines().begin(), h.log.Lines().end(), prefix + name + u" failed.");
    return at == h.log.Lines().end() || at + 1 == h.log.Lines().end() ? std::u16string() : *(at + 1);
  };
  EXPECT_EQ(cause_after(u"plain.dll"), u"    not a COM server (no DllRegisterServer)");
  EXPECT_EQ(cause_after(u"failing.dll"), u"    DllRegisterServer reported an error (regsvr32 exit code 5)");
  EXPECT_EQ(cause_after(u"missing.dll").rfind(u"    cannot be read: ", 0), 0u);
  EXPECT_EQ(h.status.Text(), u"3 of 4 libraries failed to register.");
  EXPECT_EQ(Recorded(u"a.dll"), prefix + u"a.dll");
}

TEST_F(RealRegistration, InstallerVariantReportsOutcome) {
  const auto folder = dir / "install here";
  CopyFixture("c.dll", folder, "c.dll");
  CopyFixture("failing.dll", folder, "failing.dll");
  test::ScriptedMessagePump pump;
  Registrar registrar(pump);
  const RegistrationResult registered = registrar.Register(test::PathText(folder / "c.dll"), {});
  EXPECT_TRUE(registered.registered) << platform::Utf16ToUtf8(registered.cause);
  EXPECT_EQ(registered.exit_code, 0u);
  EXPECT_FALSE(registrar.Register(test::PathText(folder / "failing.dll"), {}).registered);
  EXPECT_EQ(Recorded(u"c.dll"), test::PathText(folder / "c.dll"));
  EXPECT_GT(pump.calls, 0);
}

// The same 32-bit process on a 32-bit and a 64-bit Windows (the suite runs in both prefixes).
bool On64BitWindows() { return platform::CurrentSystemLayout().native_machine != platform::Machine::x86; }

TEST_F(RealRegistration, EachBitnessIsRegisteredByItsOwnRegsvr32) {
  const auto folder = dir / "Mixed Libraries";
  CopyFixture("a.dll", folder, "a.dll");
  CopyFixture("server64.dll", folder, "server64.dll");
  test::ScriptedMessagePump pump;
  Registrar registrar(pump);
  const RegistrationResult x86 = registrar.Register(test::PathText(folder / "a.dll"), {});
  const RegistrationResult x64 = registrar.Register(test::PathText(folder / "server64.dll"), {});
  EXPECT_TRUE(x86.registered) << platform::Utf16ToUtf8(x86.cause);
  EXPECT_EQ(Recorded(u"a.dll"), test::PathText(folder / "a.dll"));
  if (!On64BitWindows()) {
    EXPECT_EQ(x86.host, u"C:\\windows\\System32\\regsvr32.exe");
    EXPECT_FALSE(x64.registered);
    EXPECT_EQ(x64.cause, u"cannot run on this Windows (x64 library on 32-bit Windows)");
    EXPECT_EQ(x64.host, u"");  // not started
    return;
  }
  EXPECT_EQ(x86.host, u"C:\\windows\\SysWOW64\\regsvr32.exe");
  EXPECT_TRUE(x64.registered) << platform::Utf16ToUtf8(x64.cause);
  EXPECT_EQ(x64.host, u"C:\\windows\\Sysnative\\regsvr32.exe");
  EXPECT_EQ(Recorded(u"server64.dll"), test::PathText(folder / "server64.dll"));
}

TEST_F(RealRegistration, FailuresNameTheirCause) {
  const auto folder = dir / "broken";
  for (const char* name : {"plain64.dll", "needs_helper.dll", "needs_helper64.dll"}) CopyFixture(name, folder, name);
  test::ScriptedMessagePump pump;
  Registrar registrar(pump);
  const auto cause = [&](const char* name) {
    const RegistrationResult result = registrar.Register(test::PathText(folder / name), {});
    EXPECT_FALSE(result.registered) << name;
    return result.cause;
  };
  EXPECT_EQ(cause("plain64.dll"), u"not a COM server (no DllRegisterServer)");
  EXPECT_EQ(cause("needs_helper.dll").rfind(u"missing dependency kvhelper.dll; ", 0), 0u);
  if (On64BitWindows()) {
    EXPECT_EQ(cause("needs_helper64.dll").rfind(u"missing dependency kvhelper64.dll; ", 0), 0u);
  }
  EXPECT_FALSE(Recorded(u"needs_helper.dll").has_value());
}

TEST_F(RealRegistration, Regsvr32ThatNeverEndsIsStoppedAtItsLimit) {
  const auto folder = dir / "slow";
  CopyFixture(On64BitWindows() ? "hang64.dll" : "hang.dll", folder, "hang.dll");
  test::ScriptedMessagePump pump;
  Registrar registrar(pump);
  const auto started = std::chrono::steady_clock::now();
  const RegistrationResult result = registrar.Register(test::PathText(folder / "hang.dll"), {true, 2});
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
  EXPECT_FALSE(result.registered);
  EXPECT_EQ(result.cause, u"timed out after 2 s; regsvr32 was ended");
}

}  // namespace
}  // namespace kv::registration
