// The facts about the running Windows: the stand-in's fixed values on Linux, the prefix's own
// under Wine. The Windows build runs in a 32-bit prefix and, as test_platform_win64, in a
// 64-bit one (KV_WINEARCH=win64).
#include "platform/system_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace kv::platform {
namespace {

#ifdef _WIN32
bool In64BitPrefix() {
  const char* arch = std::getenv("KV_WINEARCH");
  return arch != nullptr && std::string(arch) == "win64";
}

std::u16string Lower(std::u16string text) {
  for (char16_t& c : text)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return text;
}

TEST(CurrentSystemLayout, DescribesTheWinePrefix) {
  const SystemLayout layout = CurrentSystemLayout();
  EXPECT_EQ(layout.native_machine, In64BitPrefix() ? Machine::x64 : Machine::x86);
  EXPECT_EQ(Lower(layout.windows_folder), u"c:\\windows");
  EXPECT_EQ(layout.has_sysnative, In64BitPrefix());
  // Wine's default PATH starts with the system folder.
  ASSERT_FALSE(layout.path_folders.empty());
  EXPECT_EQ(Lower(layout.path_folders.front()), u"c:\\windows\\system32");
  for (const auto& folder : layout.path_folders) EXPECT_FALSE(folder.empty());
}
#else
TEST(CurrentSystemLayout, StandInHasNoWindowsTree) {
  // The native PATH is never empty here, yet none of it may show up as a Windows folder.
  ASSERT_NE(std::getenv("PATH"), nullptr);
  const SystemLayout layout = CurrentSystemLayout();
  EXPECT_EQ(layout.native_machine, Machine::x64);
  EXPECT_TRUE(layout.windows_folder.empty());
  EXPECT_FALSE(layout.has_sysnative);
  EXPECT_TRUE(layout.path_folders.empty());
}
#endif

}  // namespace
}  // namespace kv::platform
