// The running program's own file, on both platforms.
#include "platform/program_path.h"

#include <gtest/gtest.h>

#include "platform/file_system.h"

namespace kv::platform {
namespace {

TEST(ProgramPath, NamesTheRunningTestProgram) {
  const std::u16string path = ProgramPath();
  EXPECT_TRUE(FileExists(path));
  EXPECT_NE(path.find(u"test_platform"), std::u16string::npos);
  EXPECT_EQ(path.substr(1, 2), u":\\");
}

}  // namespace
}  // namespace kv::platform
