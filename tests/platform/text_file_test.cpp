#include "platform/text_file.h"

#include <gtest/gtest.h>

#include "platform/code_pages.h"
#include "platform/errors.h"
#include "tests/support/test_dir.h"

namespace kv::platform {
namespace {

using kv::test::ReadFile;
using kv::test::TestDir;

TEST(TextFile, WritesAnsiLinesWithCrLfAndReplacesExistingFile) {
  TestDir dir;
  dir.Write("run.log", std::string(5000, 'z'));  // longer than the new content
  const std::u16string path = dir.text() + u"\\run.log";
  WriteAnsiLines(path, {u"Kolvane ver. 0.4 operation output", u"", u"caf\u00e9 \u20ac"});
  std::string expected = "Kolvane ver. 0.4 operation output\r\n\r\ncaf";
  expected += ToAnsi(u"\u00e9 \u20ac") + "\r\n";
  EXPECT_EQ(ReadFile(dir / "run.log"), expected);
}

TEST(TextFile, EmptyListGivesEmptyFile) {
  TestDir dir;
  WriteAnsiLines(dir.text() + u"\\empty.log", {});
  EXPECT_EQ(ReadFile(dir / "empty.log"), "");
}

TEST(TextFile, UncreatableFileThrowsWithPathAndReason) {
  TestDir dir;
  const std::u16string path = dir.text() + u"\\no such folder\\run.log";
  try {
    WriteAnsiLines(path, {u"x"});
    FAIL() << "no error";
  } catch (const PlatformError& e) {
    const std::string message = e.what();
    EXPECT_EQ(message.rfind("Cannot create file \"", 0), 0u) << message;
    EXPECT_NE(message.find("run.log\". "), std::string::npos) << message;
    EXPECT_GT(message.size(), message.find("\". ") + 3) << "reason missing: " << message;
    EXPECT_EQ(e.path(), path);
    EXPECT_NE(e.os_error(), 0u);
  }
}

}  // namespace
}  // namespace kv::platform
