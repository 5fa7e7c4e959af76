// Kolvane: the registration tool's entry point. Creates the windows and runs the loop.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "windows/common/common_controls.h"
#include "windows/common/dll_search.h"
#include "windows/common/error_box.h"
#include "windows/kolvane/main_window.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
  // Before anything else may load a library: never one planted beside the program.
  kv::ui::win32::RestrictLibrarySearchToSystemFolder();
  kv::ui::win32::InitCommonControlsFromSystem(ICC_PROGRESS_CLASS | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES);
  // The folder picker's newer dialog needs COM in apartment mode.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  int result = 1;
  try {
    kv::ui::win32::WinMessagePump pump;
    kv::ui::win32::MainWindow main_window(pump);
    main_window.Create(show);
    result = kv::ui::win32::RunMessageLoop();
  } catch (...) {
    kv::ui::win32::ShowCurrentException(nullptr, kv::ui::win32::kKolvaneTitle);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return result;
}
