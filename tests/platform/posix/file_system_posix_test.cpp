// The POSIX stand-in refuses to create names that Windows could not hold, as the real file
// system would, and maps drive Z: onto the root.
#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "platform/posix/native_path.h"
#include "tests/support/test_dir.h"

namespace kv::platform {
namespace {

constexpr const char16_t* kUnholdableNames[] = {
    u"a<b",    u"a>b", u"a:b",     u"a\"b", u"a|b",      u"a?b",    u"a*b",    u"tab\there",    u"dot.",
    u"space ", u"CON", u"nul.txt", u"Com1", u"lpt9.log", u"aux .x", u"CONIN$", u"com\u00B9.txt"};

TEST(PosixStandIn, RefusesNamesWindowsCannotHold) {
  test::TestDir dir;
  for (const auto* name : kUnholdableNames) {
    EXPECT_FALSE(posix::IsHoldableName(name));
    EXPECT_FALSE(CreateFolderTree(dir.text() + u"/" + name + u"/sub"));
  }
  for (const auto* name : {u"a.b", u"con1", u"lpt", u".hidden", u"x y"}) {
    EXPECT_TRUE(posix::IsHoldableName(name));
    EXPECT_TRUE(CreateFolderTree(dir.text() + u"/" + name));
  }
}

TEST(PosixStandIn, DriveZIsTheRootAndOtherDrivesAreMissing) {
  EXPECT_EQ(posix::NativePath(u"Z:\\tmp\\a\\..\\b"), "/tmp/b");
  EXPECT_EQ(posix::NativePath(u"z:\\"), "/");
  EXPECT_EQ(posix::NativePath(u"\\tmp"), "/tmp");
  EXPECT_FALSE(posix::NativePath(u"C:\\Windows"));
  EXPECT_FALSE(posix::NativePath(u"\\\\server\\share\\x"));
}

TEST(PosixStandIn, HiddenComesFromALeadingDotUntilAttributesAreSet) {
  test::TestDir dir;
  const std::u16string file = test::PathText(dir.Write(".profile", "x"));
  EXPECT_EQ(GetFileAttributesAt(file).value_or(0) & kAttrHidden, kAttrHidden);
}

}  // namespace
}  // namespace kv::platform
