// mendKit: the installer at the front of every package. Creates its window and runs the loop.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "ui/win32/common/error_box.h"
#include "ui/win32/mendkit/installer_window.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  int result = 0;
  try {
    kv::ui::win32::WinMessagePump pump;
    kv::ui::win32::InstallerWindow window(pump);
    window.Create(show);
    if (window.window() != nullptr) result = kv::ui::win32::RunMessageLoop();
  } catch (...) {
    kv::ui::win32::ShowCurrentException(nullptr, kv::ui::win32::kInstallerTitle);
    result = 1;
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return result;
}
