// The Win32 twin's owners of handles, its scope guard and its wide-text helpers.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/win32/scope_exit.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"
#include "tests/support/test_dir.h"

namespace kv::platform::win32 {
namespace {

// A handle that can be checked for being open: an event.
HANDLE NewEvent() { return CreateEventW(nullptr, TRUE, FALSE, nullptr); }

bool IsOpen(HANDLE handle) {
  DWORD flags = 0;
  return GetHandleInformation(handle, &flags) != FALSE;
}

TEST(UniqueAny, ClosesOnEveryWayOutAndNotAfterRelease) {
  HANDLE raw = NewEvent();
  { const UniqueProcessHandle owner(raw); }
  EXPECT_FALSE(IsOpen(raw));

  raw = NewEvent();
  UniqueProcessHandle owner(raw);
  HANDLE given_up = owner.release();
  EXPECT_FALSE(owner);
  EXPECT_TRUE(IsOpen(given_up));
  CloseHandle(given_up);
}

TEST(UniqueAny, MovingHandsTheHandleOverAndResetClosesTheOldOne) {
  HANDLE first = NewEvent();
  HANDLE second = NewEvent();
  UniqueProcessHandle a(first);
  UniqueProcessHandle b(std::move(a));
  EXPECT_FALSE(a);
  EXPECT_EQ(b.get(), first);
  b.reset(second);
  EXPECT_FALSE(IsOpen(first));
  EXPECT_TRUE(IsOpen(second));
  a = std::move(b);
  EXPECT_EQ(a.get(), second);
  EXPECT_TRUE(a.close());
  EXPECT_FALSE(IsOpen(second));
  EXPECT_TRUE(a.close()) << "nothing held: nothing to refuse";
}

TEST(UniqueAny, FileHandlesUseInvalidHandleValueForNone) {
  const UniqueFileHandle none;
  EXPECT_EQ(none.get(), INVALID_HANDLE_VALUE);
  EXPECT_FALSE(none);
  test::TestDir dir;
  const std::u16string path = test::PathText(dir / "f.txt");
  UniqueFileHandle file(
      CreateFileW(Wide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file);
  EXPECT_FALSE(DeleteFileW(Wide(path))) << "open, so not deletable";
  file.reset();
  EXPECT_TRUE(DeleteFileW(Wide(path)));
}

TEST(UniqueAny, RegistryKeysComeOutThroughPut) {
  UniqueRegistryKey key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, key.put()), ERROR_SUCCESS);
  EXPECT_TRUE(key);
  EXPECT_TRUE(key.close());
  EXPECT_EQ(key.get(), nullptr);
}

TEST(ScopeExit, RunsOnLeavingUnlessReleased) {
  int runs = 0;
  {
    const auto guard = scope_exit([&] { ++runs; });
  }
  EXPECT_EQ(runs, 1);
  {
    auto guard = scope_exit([&] { ++runs; });
    guard.release();
  }
  EXPECT_EQ(runs, 1);
  try {
    const auto guard = scope_exit([&] { ++runs; });
    throw 1;
  } catch (int) {
  }
  EXPECT_EQ(runs, 2);
}

TEST(WideText, PassesEveryCodeUnitBothWays) {
  const std::u16string text = u"K\u00F6lvane \u20AC \U0001F600";
  EXPECT_EQ(FromWide(Wide(text)), text);
  EXPECT_EQ(FromWide(WideCopy(std::u16string_view(text).substr(0, 4))), u"K\u00F6lv");
  EXPECT_EQ(std::wstring(WideData(text), text.size()), std::wstring(L"K\u00F6lvane \u20AC \U0001F600"));
  std::u16string room(3, u'\0');
  WideData(room)[1] = L'x';
  EXPECT_EQ(room, std::u16string(u"\0x\0", 3));
}

}  // namespace
}  // namespace kv::platform::win32
