// The Windows-only promises of StartedProcess: waking for input in the thread's message queue,
// and starting with the WOW64 file-system redirection turned off.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/process.h"
#include "platform/system_layout.h"
#include "tests/support/test_dir.h"

namespace kv::platform {
namespace {

std::u16string HangParameters() {
  const auto hang = kv::test::BinaryDir() / "tests" / "fixtures" / "libraries" / "hang.dll";
  return u"/s \"" + kv::test::PathText(hang) + u"\"";
}

TEST(StartedProcessWin32, WaitWakesForInputAlreadyInTheQueueAndLeavesItThere) {
  MSG message;
  PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);  // gives this thread its queue
  auto process = StartedProcess::StartHidden(u"regsvr32", HangParameters());
  ASSERT_TRUE(process.has_value());

  ASSERT_TRUE(PostThreadMessageW(GetCurrentThreadId(), WM_APP, 0, 0));
  // A peek marks the message as seen: only MWMO_INPUTAVAILABLE still wakes for it.
  ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_APP, WM_APP, PM_NOREMOVE));
  EXPECT_EQ(process->WaitForEndOrInput(10'000), StartedProcess::Wake::Input);
  EXPECT_FALSE(process->Poll().has_value());
  ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_APP, WM_APP, PM_REMOVE));  // not read by the wait

  EXPECT_EQ(process->WaitForEndOrInput(200), StartedProcess::Wake::TimedOut);
  process->Terminate();
  EXPECT_EQ(process->Poll(), 1u);
}

// The processor kind of the program that runs: 64 or 32, from the variable Windows sets for it.
constexpr const char16_t* kReportBitness =
    u"/c if \"%PROCESSOR_ARCHITECTURE%\"==\"AMD64\" (exit 64) else (exit 32)";

std::uint32_t BitnessOfSystemCmd(bool without_redirection) {
  const std::u16string cmd = CurrentSystemLayout().windows_folder + u"\\System32\\cmd.exe";
  auto process = StartedProcess::StartHidden(cmd, kReportBitness, nullptr, without_redirection);
  if (!process) return 0;
  process->WaitForEndOrInput(60'000);
  return process->Poll().value_or(0);
}

TEST(StartedProcessWin32, StartWithoutRedirectionReachesTheNativeSystemFolder) {
  const char* arch = std::getenv("KV_WINEARCH");
  const bool win64 = arch != nullptr && std::string(arch) == "win64";
  EXPECT_EQ(BitnessOfSystemCmd(false), 32u);
  EXPECT_EQ(BitnessOfSystemCmd(true), win64 ? 64u : 32u);
  // Restored afterwards: System32 is again the 32-bit folder for this process.
  EXPECT_EQ(BitnessOfSystemCmd(false), 32u);
}

}  // namespace
}  // namespace kv::platform
