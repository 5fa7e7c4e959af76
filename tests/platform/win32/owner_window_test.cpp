// A program start and a shell delete owned by a window the caller names (the application's main
// window), which need not be the active one.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/file_system.h"
#include "platform/process.h"
#include "platform/system_layout.h"
#include "tests/support/test_dir.h"

namespace kv::platform {
namespace {

// A hidden top-level window, destroyed with the object.
struct HiddenWindow {
  HiddenWindow()
      : handle(CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr)) {}
  ~HiddenWindow() {
    if (handle) DestroyWindow(handle);
  }
  HiddenWindow(const HiddenWindow&) = delete;
  HiddenWindow& operator=(const HiddenWindow&) = delete;
  HWND handle;
};

TEST(OwnerWindow, ProgramStartedForAnInactiveOwnerRunsAndEnds) {
  HiddenWindow owner;
  ASSERT_NE(owner.handle, nullptr);
  ASSERT_NE(GetActiveWindow(), owner.handle);
  const std::u16string cmd = CurrentSystemLayout().windows_folder + u"\\System32\\cmd.exe";
  auto process = StartedProcess::StartHidden(cmd, u"/c exit 7", owner.handle);
  ASSERT_TRUE(process.has_value());
  process->WaitForEndOrInput(60'000);
  EXPECT_EQ(process->Poll(), 7u);
}

TEST(OwnerWindow, ShellDeleteForAnInactiveOwnerDeletes) {
  HiddenWindow owner;
  ASSERT_NE(owner.handle, nullptr);
  test::TestDir dir;
  dir.Write("sub/a.txt", "a");
  dir.Write("b.txt", "b");
  EXPECT_TRUE(ShellDeleteFiles(dir.text(), u"*.*", true, owner.handle));
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace kv::platform
