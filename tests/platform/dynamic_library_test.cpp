#include "platform/dynamic_library.h"

#include <gtest/gtest.h>

#include "tests/support/test_dir.h"

namespace kv::platform {
namespace {

std::u16string Fixture(const char* name) {
  return kv::test::PathText(kv::test::BinaryDir() / "tests" / "fixtures" / "libraries" / name);
}

TEST(DynamicLibrary, FindsExportsOfLoadedLibrary) {
  auto server = DynamicLibrary::Load(Fixture("a.dll"));
  ASSERT_TRUE(server.has_value());
  EXPECT_TRUE(server->HasExport("DllRegisterServer"));
  EXPECT_FALSE(server->HasExport("NoSuchFunction"));

  auto plain = DynamicLibrary::Load(Fixture("plain.dll"));
  ASSERT_TRUE(plain.has_value());
  EXPECT_FALSE(plain->HasExport("DllRegisterServer"));
  EXPECT_TRUE(plain->HasExport("PlainFunction"));
}

TEST(DynamicLibrary, MissingOrBrokenFileDoesNotLoad) {
  kv::test::TestDir dir;
  dir.Write("broken.dll", "this is not a library");
  EXPECT_FALSE(DynamicLibrary::Load(dir.text() + u"\\missing.dll").has_value());
  EXPECT_FALSE(DynamicLibrary::Load(dir.text() + u"\\broken.dll").has_value());
}

TEST(DynamicLibrary, MovedObjectOwnsTheLibrary) {
  auto first = DynamicLibrary::Load(Fixture("c.dll"));
  ASSERT_TRUE(first.has_value());
  DynamicLibrary moved = std::move(*first);
  EXPECT_TRUE(moved.HasExport("DllRegisterServer"));
  EXPECT_FALSE(
      first->HasExport("DllRegisterServer"));  // NOLINT(bugprone-use-after-move): moved-from is empty
}

}  // namespace
}  // namespace kv::platform
