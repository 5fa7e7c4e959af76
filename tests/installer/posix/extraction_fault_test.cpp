// The installer's failure question when the disk really is full, made so by the stand-in's write
// fault (Windows has no such hook; the other failures are asked on both builds).
#include <gtest/gtest.h>

#include "platform/posix/fault_injection.h"
#include "platform/unicode.h"
#include "tests/installer/installer_fixture.h"

namespace kv::installer {
namespace {

TEST_F(InstallerTest, FullDiskIsNamedInTheFailureQuestion) {
  Open(MakePackage());
  installation->ShowPackage();
  platform::posix::FaultScope faults;
  // Every write fails: the first member extracted meets the full disk.
  platform::posix::FailNthWrite(1, {}, platform::posix::WriteFaultLasts::UntilCleared);
  for (int i = 0; i < 3; ++i) boxes.answers.push_back(ui::MessageAnswer::Ignore);
  installation->Install();
  ASSERT_FALSE(boxes.shown.empty());
  EXPECT_EQ(boxes.shown.front().buttons, ui::MessageButtons::AbortRetryIgnore);
  EXPECT_NE(boxes.shown.front().text.find(u"possibly disk is full"), std::u16string::npos)
      << platform::Utf16ToUtf8(boxes.shown.front().text);
  EXPECT_FALSE(installation->Outcome().not_extracted.empty());
}

}  // namespace
}  // namespace kv::installer
