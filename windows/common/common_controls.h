#pragma once
// The common controls library, loaded at run time from the system folder instead of imported:
// an import is resolved by the loader before the program's first line runs, while the search
// is still open to the program's own folder. The manifest's dependency on version 6 redirects
// the load to the side-by-side copy as it would the import.
#include <windows.h>
#include <commctrl.h>

namespace kv::ui::win32 {

// Loads the library (once) and registers the given control classes (ICC_* flags). False when
// the library or the call fails; the standard controls of user32 still work then.
bool InitCommonControlsFromSystem(DWORD classes);

// SetWindowSubclass and DefSubclassProc of the loaded library; InitCommonControlsFromSystem
// comes first. Without the library, the subclass is not set (false) and messages go to
// DefWindowProc.
bool SetControlSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id, DWORD_PTR data);
LRESULT DefaultSubclassProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace kv::ui::win32
