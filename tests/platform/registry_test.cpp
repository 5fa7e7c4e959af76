// The current user's hive: the same promises from the Win32 registry and the POSIX stand-in.
#include "platform/registry.h"

#include <gtest/gtest.h>

namespace kv::platform {
namespace {

constexpr char16_t kTestKey[] = u"Software\\KolvaneTest\\RegistryContract";

class RegistryContract : public ::testing::Test {
 protected:
  void SetUp() override { hive_->DeleteTree(kTestKey); }
  void TearDown() override { hive_->DeleteTree(kTestKey); }
  std::unique_ptr<RegistryHive> hive_ = OpenCurrentUserHive();
};

TEST_F(RegistryContract, AMissingKeyHasNoValues) {
  EXPECT_FALSE(hive_->ValueExists(kTestKey, u"Any"));
  EXPECT_EQ(hive_->ReadString(kTestKey, u"Any"), std::nullopt);
}

TEST_F(RegistryContract, WriteCreatesParentsAndReplacesTheValue) {
  const std::u16string deep = std::u16string(kTestKey) + u"\\A\\B";
  hive_->WriteString(deep, u"Path", u"C:\\First\\");
  hive_->WriteString(deep, u"Path", u"C:\\Second \u00e9\\");
  EXPECT_TRUE(hive_->ValueExists(deep, u"Path"));
  EXPECT_EQ(hive_->ReadString(deep, u"Path"), u"C:\\Second \u00e9\\");
  EXPECT_FALSE(hive_->ValueExists(deep, u"Other"));
}

TEST_F(RegistryContract, LeadingBackslashAndCaseNameTheSameKeyAndValue) {
  hive_->WriteString(std::u16string(u"\\").append(kTestKey), u"InstallPath", u"x");
  EXPECT_EQ(hive_->ReadString(u"software\\kolvanetest\\registrycontract", u"INSTALLPATH"), u"x");
}

TEST_F(RegistryContract, DeleteTreeRemovesSubkeysAndAMissingKeyIsNoError) {
  hive_->WriteString(std::u16string(kTestKey) + u"\\Sub", u"V", u"1");
  hive_->DeleteTree(kTestKey);
  EXPECT_FALSE(hive_->ValueExists(std::u16string(kTestKey) + u"\\Sub", u"V"));
  EXPECT_NO_THROW(hive_->DeleteTree(kTestKey));
}

TEST_F(RegistryContract, AnEmptyStringIsAValue) {
  hive_->WriteString(kTestKey, u"Empty", u"");
  EXPECT_TRUE(hive_->ValueExists(kTestKey, u"Empty"));
  EXPECT_EQ(hive_->ReadString(kTestKey, u"Empty"), u"");
}

TEST_F(RegistryContract, NumbersAreDwordsAndToldApartFromStrings) {
  hive_->WriteNumber(kTestKey, u"NoModify", 1);
  hive_->WriteNumber(kTestKey, u"EstimatedSize", 0xFFFFFFFFu);
  hive_->WriteString(kTestKey, u"Text", u"1");
  EXPECT_EQ(hive_->ReadNumber(kTestKey, u"nomodify"), 1u);
  EXPECT_EQ(hive_->ReadNumber(kTestKey, u"EstimatedSize"), 0xFFFFFFFFu);
  EXPECT_EQ(hive_->ReadString(kTestKey, u"NoModify"), std::nullopt);
  EXPECT_EQ(hive_->ReadNumber(kTestKey, u"Text"), std::nullopt);
  EXPECT_TRUE(hive_->ValueExists(kTestKey, u"NoModify"));
}

// The local machine's hive keeps the same promises (the Wine prefix runs as administrator).
TEST(LocalMachineHive, WritesReadsAndDeletesAKey) {
  const auto hive = OpenLocalMachineHive();
  const std::u16string key = u"Software\\KolvaneTest\\LocalMachineContract";
  hive->WriteString(key, u"DisplayName", u"Test Kit");
  hive->WriteNumber(key, u"NoRepair", 1);
  EXPECT_EQ(hive->ReadString(key, u"DisplayName"), u"Test Kit");
  EXPECT_EQ(hive->ReadNumber(key, u"NoRepair"), 1u);
  hive->DeleteTree(key);
  EXPECT_FALSE(hive->ValueExists(key, u"DisplayName"));
}

}  // namespace
}  // namespace kv::platform
