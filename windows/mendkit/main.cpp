// mendKit: the installer at the front of every package. Creates its window and runs the loop.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "controls/memory_controls.h"
#include "installer/unattended.h"
#include "installer/unattended_uninstall.h"
#include "windows/common/program_path.h"

#include "windows/common/error_box.h"
#include "windows/mendkit/installer_window.h"

namespace {

// The program's arguments without its own name.
std::vector<std::u16string> Arguments() {
  int count = 0;
  LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::u16string> arguments;
  for (int i = 1; words != nullptr && i < count; ++i)
    arguments.emplace_back(reinterpret_cast<const char16_t*>(words[i]));
  if (words != nullptr) LocalFree(words);
  return arguments;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
  const std::vector<std::u16string> arguments = Arguments();
  // The temporary copy that removes an uninstaller once it has ended.
  if (const auto folder = kv::installer::ParseCleanUp(arguments))
    return kv::installer::RunCleanUp(*folder, kv::ui::win32::ProgramPath());
  // "/U": the uninstall, unattended with "/S", else through the window.
  const auto uninstall = kv::installer::ParseUninstall(arguments);
  if (uninstall && uninstall->silent) {
    kv::ui::MemoryMessagePump pump;
    return kv::installer::RunUnattendedUninstall(*uninstall, kv::ui::win32::ProgramPath(),
                                                 kv::installer::UninstallServices{pump, {}, {}, nullptr, {}, {}});
  }
  // "/S": the unattended installation, with no window at all.
  if (!uninstall) {
    if (const auto options = kv::installer::ParseUnattended(arguments))
      return kv::installer::RunUnattended(*options, kv::ui::win32::ProgramPath());
  }
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  int result = 0;
  try {
    kv::ui::win32::WinMessagePump pump;
    kv::ui::win32::InstallerWindow window(pump, uninstall.has_value());
    window.Create(show);
    if (window.window() != nullptr) result = kv::ui::win32::RunMessageLoop();
  } catch (...) {
    kv::ui::win32::ShowCurrentException(nullptr, kv::ui::win32::kInstallerTitle);
    result = 1;
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return result;
}
