// The Register button against the system's own regsvr32 and the test COM servers, which record
// their registration under HKCU\Software\KolvaneTest (value name = file name, data = path).
#include <gtest/gtest.h>

#include "platform/registry.h"
#include "tests/registration/window_harness.h"

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
  WindowHarness h;
};

TEST_F(RealRegistration, ComServersInAFolderWithSpacesAreRegisteredByRegsvr32) {
  const auto folder = dir / "My COM Libraries";
  for (const char* name : {"a.dll", "c.dll", "b.ocx"}) CopyFixture(name, folder, name);
  h.BrowseAndTick(test::PathText(folder), {u"a.dll", u"b.ocx"});
  h.window.Button3Click();

  const std::u16string prefix = test::PathText(folder) + u"\\";
  Names results;
  for (const auto& name : h.libraries.Names())
    if (name != u"c.dll") results.push_back(prefix + name + u" OK!");
  EXPECT_EQ(h.log.lines, ExpectedBlock(h.log.lines, results));
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
  h.window.Button3Click();

  const std::u16string prefix = test::PathText(folder) + u"\\";
  Names results;
  for (const auto& name : h.libraries.Names())
    results.push_back(prefix + name + (name == u"a.dll" ? u" OK!" : u" failed."));
  EXPECT_EQ(h.log.lines, ExpectedBlock(h.log.lines, results));
  EXPECT_EQ(h.status.Text(), u"3 of 4 libraries failed to register.");
  EXPECT_EQ(Recorded(u"a.dll"), prefix + u"a.dll");
}

TEST_F(RealRegistration, InstallerVariantReportsOutcome) {
  const auto folder = dir / "install here";
  CopyFixture("c.dll", folder, "c.dll");
  CopyFixture("failing.dll", folder, "failing.dll");
  test::FakeMessagePump pump;
  EXPECT_TRUE(RegisterLibrary(test::PathText(folder / "c.dll"), true, pump));
  EXPECT_FALSE(RegisterLibrary(test::PathText(folder / "failing.dll"), true, pump));
  EXPECT_EQ(Recorded(u"c.dll"), test::PathText(folder / "c.dll"));
  EXPECT_GT(pump.calls, 0);
}

}  // namespace
}  // namespace kv::registration
