// Without message boxes of the owner, the POSIX stand-in's system question answers like a user
// pressing the default button: Yes to the overwrite question, Abort to a failure.
#include <gtest/gtest.h>

#include "archive/kolzip.h"

namespace kv::archive {
namespace {

TEST(SystemPrompts, DefaultButtonsAnswer) {
  TKolZip zip;
  ASSERT_EQ(zip.Prompts, nullptr);
  std::u16string dest = u"C:\\x.txt";
  bool confirm = false;
  zip.Options().SetOverwriteMode(omPrompt);
  zip.DoConfirmOverwrite(u"x.txt", dest, confirm);
  EXPECT_TRUE(confirm);
  EXPECT_EQ(zip.Options().OverwriteMode(), omPrompt);
  TKZAction action = fxaIgnore;
  zip.DoProcessFileFailure(u"x.txt", poExtract, action, u"msg", 4, 8);
  EXPECT_EQ(action, fxaAbort);
}

}  // namespace
}  // namespace kv::archive
