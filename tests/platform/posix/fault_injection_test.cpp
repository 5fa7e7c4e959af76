// The stand-in's test-only faults: a chosen write of a File comes up empty, a create is
// refused, and nothing is left armed after a FaultScope.
#include "platform/posix/fault_injection.h"

#include <gtest/gtest.h>

#include "platform/file_stream.h"
#include "platform/file_system.h"
#include "tests/support/test_dir.h"

namespace kv::platform::posix {
namespace {

std::size_t WriteText(File& file, const std::string& text) { return file.Write(text.data(), text.size()); }

TEST(FaultInjection, TheNthWriteWritesNothingAndTheOthersGoThrough) {
  test::TestDir dir;
  const FaultScope faults;
  File file = File::Open(test::PathText(dir / "out.bin"), kOpenCreate);
  FailNthWrite(2);
  EXPECT_EQ(WriteText(file, "one "), 4u);
  EXPECT_EQ(WriteText(file, "two "), 0u);
  EXPECT_EQ(WriteText(file, "three"), 5u);
  EXPECT_EQ(RefusedWrites(), 1u);
  EXPECT_EQ(file.Size(), 9);
}

TEST(FaultInjection, UntilClearedEveryLaterWriteFails) {
  test::TestDir dir;
  const FaultScope faults;
  File file = File::Open(test::PathText(dir / "out.bin"), kOpenCreate);
  FailNthWrite(2, {}, WriteFaultLasts::UntilCleared);
  EXPECT_EQ(WriteText(file, "one "), 4u);
  EXPECT_EQ(WriteText(file, "two "), 0u);
  EXPECT_EQ(WriteText(file, "three"), 0u);
  EXPECT_EQ(RefusedWrites(), 2u);
  ClearFaults();
  EXPECT_EQ(WriteText(file, "four"), 4u);
  EXPECT_EQ(file.Size(), 8);
}

TEST(FaultInjection, OnlyFilesWithTheSuffixCount) {
  test::TestDir dir;
  const FaultScope faults;
  File archive = File::Open(test::PathText(dir / "a.zip"), kOpenCreate);
  File other = File::Open(test::PathText(dir / "tail.tmp"), kOpenCreate);
  FailNthWrite(1, u".ZIP", WriteFaultLasts::UntilCleared);
  EXPECT_EQ(WriteText(other, "kept"), 4u);
  EXPECT_EQ(WriteText(archive, "lost"), 0u);
  EXPECT_EQ(WriteText(other, "kept"), 4u);
}

TEST(FaultInjection, RefusedCreateTouchesNothingAndFiresOnce) {
  test::TestDir dir;
  const FaultScope faults;
  const std::u16string path = test::PathText(dir.Write("old.bin", "old bytes"));
  RefuseNextCreate(ENOSPC);
  try {
    File::Open(path, kOpenCreate);
    ADD_FAILURE() << "the create went through";
  } catch (const PlatformError& e) {
    EXPECT_EQ(e.os_error(), static_cast<std::uint32_t>(ENOSPC));
    EXPECT_EQ(e.path(), path);
    EXPECT_EQ(std::string(e.what()).rfind("Cannot create file \"", 0), 0u) << e.what();
  }
  EXPECT_EQ(test::ReadFile(dir / "old.bin"), "old bytes") << "not truncated";
  EXPECT_FALSE(FileExists(test::PathText(dir / "new.bin")));
  EXPECT_NO_THROW(File::Open(test::PathText(dir / "new.bin"), kOpenCreate)) << "the next create goes through";
}

TEST(FaultInjection, OpeningForReadingIsNoCreate) {
  test::TestDir dir;
  const FaultScope faults;
  const std::u16string path = test::PathText(dir.Write("old.bin", "old bytes"));
  RefuseNextCreate();
  EXPECT_NO_THROW(File::Open(path, kOpenRead));
  EXPECT_THROW(File::Open(path, kOpenCreate), PlatformError);
}

TEST(FaultInjection, AScopeLeavesNothingArmed) {
  test::TestDir dir;
  {
    const FaultScope faults;
    FailNthWrite(1, {}, WriteFaultLasts::UntilCleared);
    RefuseNextCreate();
  }
  File file = File::Open(test::PathText(dir / "out.bin"), kOpenCreate);
  EXPECT_EQ(WriteText(file, "fine"), 4u);
  EXPECT_EQ(RefusedWrites(), 0u);
}

}  // namespace
}  // namespace kv::platform::posix
