#include "windows/common/common_controls.h"

namespace kv::ui::win32 {
namespace {

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
constexpr DWORD LOAD_LIBRARY_SEARCH_SYSTEM32 = 0x00000800;
#endif

using InitFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
using SubclassFunction = BOOL(WINAPI*)(HWND, SUBCLASSPROC, UINT_PTR, DWORD_PTR);
using DefSubclassFunction = LRESULT(WINAPI*)(HWND, UINT, WPARAM, LPARAM);

// The library stays loaded for the life of the process, as an import would.
struct CommonControls {
  InitFunction init = nullptr;
  SubclassFunction subclass = nullptr;
  DefSubclassFunction def_subclass = nullptr;
};

template <typename Function>
Function Find(HMODULE library, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

const CommonControls& Library() {
  static const CommonControls functions = [] {
    CommonControls found;
    // Systems without the flag (no KB2533623) fail the call; the plain name then follows the
    // search that RestrictLibrarySearchToSystemFolder left.
    HMODULE library = LoadLibraryExW(L"comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (library == nullptr) library = LoadLibraryW(L"comctl32.dll");
    if (library == nullptr) return found;
    found.init = Find<InitFunction>(library, "InitCommonControlsEx");
    found.subclass = Find<SubclassFunction>(library, "SetWindowSubclass");
    found.def_subclass = Find<DefSubclassFunction>(library, "DefSubclassProc");
    return found;
  }();
  return functions;
}

}  // namespace

bool InitCommonControlsFromSystem(DWORD classes) {
  const INITCOMMONCONTROLSEX controls{sizeof(controls), classes};
  return Library().init != nullptr && Library().init(&controls) != FALSE;
}

bool SetControlSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id, DWORD_PTR data) {
  return Library().subclass != nullptr && Library().subclass(window, procedure, id, data) != FALSE;
}

LRESULT DefaultSubclassProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (Library().def_subclass == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  return Library().def_subclass(window, message, wparam, lparam);
}

}  // namespace kv::ui::win32
