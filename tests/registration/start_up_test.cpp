#include "registration/start_up.h"

#include <gtest/gtest.h>

#include "platform/errors.h"

namespace kv::registration {
namespace {

// A hive that refuses every write, like a key the user may not create.
class ReadOnlyHive final : public platform::RegistryHive {
 public:
  bool ValueExists(const std::u16string&, const std::u16string&) const override { return false; }
  std::optional<std::u16string> ReadString(const std::u16string&, const std::u16string&) const override {
    return std::nullopt;
  }
  void WriteString(const std::u16string& key, const std::u16string&, const std::u16string&) override {
    throw platform::PlatformError("Cannot create registry key", 5, key);
  }
  void WriteNumber(const std::u16string& key, const std::u16string&, std::uint32_t) override {
    throw platform::PlatformError("Cannot create registry key", 5, key);
  }
  std::optional<std::uint32_t> ReadNumber(const std::u16string&, const std::u16string&) const override {
    return std::nullopt;
  }
  void DeleteTree(const std::u16string&) override {}
};

TEST(RecordInstallPath, FirstStartWritesTheFolderAndSecondStartFromElsewhereKeepsIt) {
  auto hive = platform::OpenCurrentUserHive();
  hive->DeleteTree(kSettingsKey);

  EXPECT_TRUE(RecordInstallPath(*hive, u"C:\\Tools\\Kolvane\\"));
  EXPECT_EQ(hive->ReadString(u"Software\\Velmora\\Kolvane", u"InstallPath"), u"C:\\Tools\\Kolvane\\");

  EXPECT_FALSE(RecordInstallPath(*hive, u"D:\\Other copy\\"));
  EXPECT_EQ(hive->ReadString(kSettingsKey, kInstallPathValue), u"C:\\Tools\\Kolvane\\");
  hive->DeleteTree(kSettingsKey);
}

TEST(RecordInstallPath, AnEmptyExistingValueStillCountsAsWritten) {
  auto hive = platform::OpenCurrentUserHive();
  hive->DeleteTree(kSettingsKey);
  hive->WriteString(kSettingsKey, kInstallPathValue, u"");
  EXPECT_FALSE(RecordInstallPath(*hive, u"C:\\Tools\\"));
  EXPECT_EQ(hive->ReadString(kSettingsKey, kInstallPathValue), u"");
  hive->DeleteTree(kSettingsKey);
}

TEST(RecordInstallPath, AKeyThatCannotBeWrittenGivesTheStartUpMessage) {
  ReadOnlyHive hive;
  try {
    RecordInstallPath(hive, u"C:\\Tools\\");
    FAIL() << "no error";
  } catch (const StartUpError& error) {
    EXPECT_STREQ(error.what(), "Failed to set data for 'InstallPath'");
  }
}

TEST(AboutText, BeginsWithTheFiveLinesSeparatedByCrLf) {
  const std::u16string expected =
      u"Kolvane - easy and comfortable libraries registering\r\n"
      u"Version: 0.4\r\n"
      u"Release date: 14.02.2015\r\n"
      u"MendKit Version: 1.0\r\n"
      u"Ten years on the scene and still producing!";
  const std::u16string text = AboutText();
  ASSERT_GE(text.size(), expected.size());
  EXPECT_EQ(text.substr(0, expected.size()), expected);
  // Anything after the five lines starts on a line of its own.
  if (text.size() > expected.size()) {
    EXPECT_EQ(text.substr(expected.size(), 2), u"\r\n");
  }
}

}  // namespace
}  // namespace kv::registration
