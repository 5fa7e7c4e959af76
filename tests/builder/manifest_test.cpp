// The manifest as the package build writes it and the installer reads it.
#include "package/manifest.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "package/errors.h"
#include "tests/support/test_dir.h"

namespace kv::builder {
namespace {

using kv::test::PathText;
using kv::test::ReadFile;
using kv::test::TestDir;

TEST(Manifest, FreshFileForOneAndTwoLineDescriptions) {
  struct Case {
    const char16_t* memo;
    const char* bytes;
  };
  // mkDesc keeps the first line for installers that know no other key.
  const Case cases[] = {
      {u"New libraries for better performance. Several bugs fixed.",
       "[mendKit]\r\ndefaultPath=C:\\Program Files\\My Libraries\r\nmkName=My MendKit\r\n"
       "mkDesc=New libraries for better performance. Several bugs fixed.\r\n"
       "mkDescText=New libraries for better performance. Several bugs fixed.\\n\r\n"},
      {u"First\r\nSecond",
       "[mendKit]\r\ndefaultPath=C:\\Program Files\\My Libraries\r\nmkName=My "
       "MendKit\r\nmkDesc=First\r\nmkDescText=First\\nSecond\\n\r\n"},
  };
  for (const Case& c : cases) {
    TestDir dir;
    const std::u16string file = package::ManifestPath(dir.text());
    package::WriteManifest(
        file, {u"C:\\Program Files\\My Libraries", u"My MendKit", package::MemoLinesText(c.memo)});
    EXPECT_EQ(ReadFile(dir / "mendkit.ini"), c.bytes);
    const package::Manifest read = package::ReadManifest(file, u"unused\\");
    EXPECT_EQ(read.default_path, u"C:\\Program Files\\My Libraries");
    EXPECT_EQ(read.name, u"My MendKit");
    EXPECT_EQ(read.description, package::MemoLinesText(c.memo));
  }
}

TEST(Manifest, DescriptionReadsBackAsWritten) {
  const std::pair<const char*, std::u16string> cases[] = {
      {"empty", u""},
      {"blank_line_inside", u"One\r\n\r\nThree\r\n"},
      {"backslashes", u"C:\\Libs\\new\\\r\nends with \\"},
      {"escape_lookalike", u"not a break: \\n\r\n"},
      {"blanks_and_quotes_at_the_ends", u"  indented\r\n\"quoted\" 'too' "},
      {"lone_quote", u"\""},
      {"escape_letters_inside", u"\\s \\q s q\r\n\tt"},
      {"equals_and_brackets", u"a=b [mendKit]\r\n"},
  };
  for (const auto& [name, description] : cases) {
    SCOPED_TRACE(name);
    TestDir dir;
    const std::u16string file = package::ManifestPath(dir.text());
    package::WriteManifest(file, {u"C:\\P", u"N", description});
    EXPECT_EQ(package::ReadManifest(file, u"unused\\").description, description);
  }
}

TEST(Manifest, ManifestOfAnEarlierBuildReadsItsFirstLine) {
  TestDir dir;
  // The earlier build wrote the memo's lines as they stood: the later ones belong to no key.
  dir.Write("mendkit.ini",
            "[mendKit]\r\ndefaultPath=C:\\Old\r\nmkName=Old\r\nmkDesc=First\r\nSecond\r\n\r\n");
  const package::Manifest read = package::ReadManifest(package::ManifestPath(dir.text()), u"unused\\");
  EXPECT_EQ(read.description, u"First");
  EXPECT_EQ(read.name, u"Old");
  EXPECT_EQ(read.default_path, u"C:\\Old");
}

TEST(Manifest, SecondBuildReplacesKeysInPlace) {
  TestDir dir;
  const std::u16string file = package::ManifestPath(dir.text());
  package::WriteManifest(file, {u"C:\\One", u"One", package::MemoLinesText(u"A\r\nB\r\nC")});
  package::WriteManifest(file, {u"C:\\Two", u"Two", package::MemoLinesText(u"Short")});
  EXPECT_EQ(ReadFile(dir / "mendkit.ini"),
            "[mendKit]\r\ndefaultPath=C:\\Two\r\nmkName=Two\r\nmkDesc=Short\r\nmkDescText=Short\\n\r\n");
  EXPECT_EQ(package::ReadManifest(file, u"unused\\").description, u"Short\r\n");
}

TEST(Manifest, DescriptionLinesAsShown) {
  const std::pair<std::u16string, std::vector<std::u16string>> cases[] = {
      {u"", {}},
      {u"One", {u"One"}},
      {u"One\r\n", {u"One"}},
      {u"One\r\n\r\nThree\r\n", {u"One", u"", u"Three"}},
      {u"One\nTwo\rThree", {u"One", u"Two", u"Three"}},
  };
  for (const auto& [description, lines] : cases) EXPECT_EQ(package::DescriptionLines(description), lines);
}

TEST(Manifest, DefaultsOnlyForMissingKeysAndLongValuesCut) {
  TestDir dir;
  EXPECT_EQ(package::ReadManifest(package::ManifestPath(dir.text()), u"Z:\\own\\").default_path,
            u"Z:\\own\\");
  const package::Manifest missing = package::ReadManifest(package::ManifestPath(dir.text()), u"Z:\\own\\");
  EXPECT_EQ(missing.name, u"(Untitled)");
  EXPECT_EQ(missing.description, u"(No description available)");

  dir.Write("mendkit.ini", "[mendKit]\r\nmkName=\r\nmkDesc=" + std::string(3000, 'd') + "\r\n");
  const package::Manifest read = package::ReadManifest(package::ManifestPath(dir.text()), u"Z:\\own\\");
  EXPECT_EQ(read.name, u"");  // empty is not missing
  EXPECT_EQ(read.description, std::u16string(2047, u'd'));
  EXPECT_EQ(read.default_path, u"Z:\\own\\");
}

TEST(Manifest, RefusedWriteNamesTheFile) {
  TestDir dir;
  std::filesystem::create_directory(dir / "mendkit.ini");  // a folder where the file should be
  const std::u16string file = package::ManifestPath(dir.text());
  try {
    package::WriteManifest(file, {u"p", u"n", u"d\r\n"});
    FAIL() << "no error";
  } catch (const package::PackageError& error) {
    EXPECT_EQ(error.Message(), u"Unable to write to " + file);
  }
}

TEST(Manifest, MemoLinesEachEndWithCrLf) {
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"", u""},
      {u"One", u"One\r\n"},
      {u"One\r\n", u"One\r\n"},
      {u"One\r\nTwo", u"One\r\nTwo\r\n"},
      {u"One\r\n\r\nThree", u"One\r\n\r\nThree\r\n"},
      {u"One\nTwo", u"One\r\nTwo\r\n"},
  };
  for (const auto& [memo, text] : cases) EXPECT_EQ(package::MemoLinesText(memo), text);
}

}  // namespace
}  // namespace kv::builder
