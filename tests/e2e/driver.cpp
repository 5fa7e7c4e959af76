// Drives the programs' real windows from outside, for the end-to-end run under Wine.
// One action per start: kv_e2e_driver ACTION ARGS...; prints what it read on stdout and
// exits 0 on success, 1 when the action failed, 2 on a usage error. Every wait has a timeout
// (seconds, from KV_E2E_TIMEOUT, default 20).
//
//   wait CAPTION                 an unowned top-level window with that caption appears
//   gone CAPTION                 no such window is left
//   text CAPTION ID              prints the control's text
//   set-text CAPTION ID TEXT     replaces the control's text (WM_SETTEXT)
//   click CAPTION ID             presses a button (posted BM_CLICK)
//   double-click CAPTION ID      presses a button twice, both clicks posted at once
//   click-static CAPTION ID      clicks a notifying static control (posted mouse messages)
//   checked CAPTION ID           prints 1 or 0 (BM_GETCHECK)
//   enabled CAPTION ID           prints 1 or 0
//   pos CAPTION ID               prints a progress bar's position
//   list CAPTION ID              prints each list-box line as "TICK<tab>TEXT" (item data as tick)
//   tick CAPTION ID INDEX 0|1    sets an item's tick (item data) in a check-list
//   box CAPTION                  waits for a message box with that caption, prints its text
//   answer CAPTION BUTTON        presses a button of that message box (IDOK 1, IDYES 6, ...)
//   no-box CAPTION               succeeds when no message box with that caption is open
//   pick-folder PATH             selects PATH in the open browse-for-folder dialog and confirms
//   save-as PATH                 types PATH into the open save dialog and confirms
//   close CAPTION                posts WM_CLOSE to the window
//   enter CAPTION ID             posts the Enter key to a control, through the program's loop
//   resizable CAPTION            prints 1 when the window can be resized or maximised, else 0
//   set-check CAPTION ID 0|1     ticks or unticks a tick box (BM_SETCHECK)
//   tab-order CAPTION            prints the ids of the tab stops, in order, from the first one
//   client-size CAPTION          prints the window's client area as "WIDTH HEIGHT"
//   menu CAPTION ID N            opens the control's menu (a split button's drop-down by a posted
//                                click on its arrow, any other control's right-click menu by a
//                                posted WM_CONTEXTMENU), waits for it and chooses its Nth entry
//                                (1 = the first) with the Down and Enter keys; 0 leaves it open
//   choose N                     chooses the Nth entry of the open menu, as above
//   dump                         lists the visible top-level windows and their controls
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

namespace {

// A non-null stand-in returned by probes that wait for something to go away.
const HWND kDone = reinterpret_cast<HWND>(static_cast<INT_PTR>(1));

int TimeoutMs() {
  const char* value = std::getenv("KV_E2E_TIMEOUT");
  const int seconds = value != nullptr ? std::atoi(value) : 20;
  return (seconds > 0 ? seconds : 20) * 1000;
}

// Calls `probe` every 100 ms until it gives a non-null window or the timeout passes.
HWND WaitFor(const std::function<HWND()>& probe) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (HWND found = probe()) return found;
    if (GetTickCount() - start > static_cast<DWORD>(TimeoutMs())) return nullptr;
    Sleep(100);
  }
}

std::wstring ClassOf(HWND window) {
  wchar_t name[128] = {};
  GetClassNameW(window, name, 128);
  return name;
}

std::wstring TextOf(HWND window) {
  // WM_GETTEXT, not GetWindowText: the latter does not read other processes' controls.
  const LRESULT length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
  std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 2, L'\0');
  SendMessageW(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
  return buffer.data();
}

struct Search {
  std::wstring caption;
  bool dialog_class;  // look for #32770 windows (message boxes, system dialogs)
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  if (!IsWindowVisible(window)) return TRUE;
  const bool is_dialog = ClassOf(window) == L"#32770";
  if (search->dialog_class != is_dialog) return TRUE;
  if (!search->dialog_class && GetWindow(window, GW_OWNER) != nullptr && ClassOf(window) != L"KolvaneMkForm")
    return TRUE;
  if (!search->caption.empty() && TextOf(window) != search->caption) return TRUE;
  search->found = window;
  return FALSE;
}

HWND FindTop(const std::wstring& caption, bool dialog_class) {
  Search search{caption, dialog_class, nullptr};
  EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitTop(const std::wstring& caption, bool dialog_class = false) {
  return WaitFor([&] { return FindTop(caption, dialog_class); });
}

// The first descendant (any depth) with that id and, when given, that class.
HWND FindDescendant(HWND parent, int id, const wchar_t* class_name = nullptr) {
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    if (GetDlgCtrlID(child) == id && (class_name == nullptr || ClassOf(child) == class_name)) return child;
    if (HWND deeper = FindDescendant(child, id, class_name)) return deeper;
  }
  return nullptr;
}

int Fail(const char* what) {
  std::fprintf(stderr, "driver: %s\n", what);
  return 1;
}

void Print(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                       nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fputc('\n', stdout);
}

HWND Control(const std::wstring& caption, const wchar_t* id) {
  HWND top = WaitTop(caption);
  return top != nullptr ? GetDlgItem(top, _wtoi(id)) : nullptr;
}

std::wstring ListLine(HWND list, int index) {
  const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  std::vector<wchar_t> buffer(static_cast<std::size_t>(length < 0 ? 0 : length) + 2, L'\0');
  SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
  return buffer.data();
}

BOOL CALLBACK MatchTree(HWND child, LPARAM out) {
  if (ClassOf(child) != L"SysTreeView32") return TRUE;
  *reinterpret_cast<HWND*>(out) = child;
  return FALSE;
}

HWND TreeBelow(HWND dialog) {
  HWND tree = nullptr;
  EnumChildWindows(dialog, &MatchTree, reinterpret_cast<LPARAM>(&tree));
  return tree;
}

struct DialogWithTree {
  HWND found = nullptr;
};

BOOL CALLBACK MatchPicker(HWND window, LPARAM param) {
  if (!IsWindowVisible(window) || ClassOf(window) != L"#32770" || TreeBelow(window) == nullptr) return TRUE;
  reinterpret_cast<DialogWithTree*>(param)->found = window;
  return FALSE;
}

// Memory in another process, freed with the object.
class RemoteBuffer {
 public:
  RemoteBuffer(HANDLE process, SIZE_T size)
      : process_(process), address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE)) {}
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;
  ~RemoteBuffer() {
    if (address_ != nullptr) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  }
  void* get() const { return address_; }
  bool Write(const void* data, SIZE_T size, SIZE_T offset = 0) const {
    return address_ != nullptr &&
           WriteProcessMemory(process_, static_cast<char*>(address_) + offset, data, size, nullptr) != FALSE;
  }
  bool Read(void* data, SIZE_T size, SIZE_T offset = 0) const {
    return address_ != nullptr &&
           ReadProcessMemory(process_, static_cast<char*>(address_) + offset, data, size, nullptr) != FALSE;
  }

 private:
  HANDLE process_;
  void* address_;
};

// The text of the tree's caret item, read through a buffer in the picker's process.
std::wstring CaretText(HWND tree, const RemoteBuffer& buffer) {
  const LRESULT caret = SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
  if (caret == 0) return {};
  TVITEMW item{};
  item.mask = TVIF_TEXT;
  item.hItem = reinterpret_cast<HTREEITEM>(caret);
  item.pszText = reinterpret_cast<wchar_t*>(static_cast<char*>(buffer.get()) + sizeof(TVITEMW));
  item.cchTextMax = MAX_PATH;
  const wchar_t empty = L'\0';
  if (!buffer.Write(&item, sizeof(item)) || !buffer.Write(&empty, sizeof(empty), sizeof(TVITEMW))) return {};
  SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(buffer.get()));
  wchar_t text[MAX_PATH + 1] = {};
  buffer.Read(text, MAX_PATH * sizeof(wchar_t), sizeof(TVITEMW));
  return text;
}

// Selects PATH in the picker with BFFM_SETSELECTIONW (the string written into the picker's
// process), checks through the tree's caret that the folder itself is selected, then confirms.
// Wine's picker fills its tree as folders open, so each ancestor is selected in turn, from the
// drive down, and each step is repeated until the caret names that folder.
int PickFolder(const std::wstring& path) {
  HWND dialog = WaitFor([] {
    DialogWithTree search;
    EnumWindows(&MatchPicker, reinterpret_cast<LPARAM>(&search));
    return search.found;
  });
  if (dialog == nullptr) return Fail("no folder picker");
  HWND tree = TreeBelow(dialog);
  DWORD process_id = 0;
  GetWindowThreadProcessId(dialog, &process_id);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE | PROCESS_VM_READ, FALSE, process_id);
  if (process == nullptr) return Fail("cannot open the picker's process");
  int result = 0;
  {
    RemoteBuffer path_buffer(process, (path.size() + 1) * sizeof(wchar_t));
    RemoteBuffer item_buffer(process, sizeof(TVITEMW) + (MAX_PATH + 1) * sizeof(wchar_t));
    for (std::size_t end = path.find(L'\\', 3); result == 0; end = path.find(L'\\', end + 1)) {
      const std::wstring step = path.substr(0, end);
      const std::wstring name = step.substr(step.find_last_of(L'\\') + 1);
      const std::wstring terminated = step + L'\0';
      if (!path_buffer.Write(terminated.c_str(), terminated.size() * sizeof(wchar_t))) {
        result = Fail("cannot write the path into the picker's process");
        break;
      }
      const bool drive = step.size() <= 3;
      const HWND selected = WaitFor([&]() -> HWND {
        SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(path_buffer.get()));
        Sleep(150);
        return drive || CaretText(tree, item_buffer) == name ? kDone : nullptr;
      });
      if (selected == nullptr) {
        std::fwprintf(stderr, L"driver: the picker shows \"%ls\" instead of \"%ls\"\n",
                      CaretText(tree, item_buffer).c_str(), name.c_str());
        result = Fail("the picker did not select the folder");
      }
      if (end == std::wstring::npos) break;
    }
  }
  CloseHandle(process);
  if (result != 0) return result;
  PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  WaitFor([&] { return IsWindow(dialog) ? nullptr : kDone; });
  return 0;
}

// Types the name into the save dialog's file name field and confirms, again until the dialog
// has gone (a dialog still setting itself up may clear the field or ignore the click).
int SaveAs(const std::wstring& path) {
  HWND dialog = WaitFor([] {
    HWND found = FindTop(L"", true);
    return found != nullptr && FindDescendant(found, 0x47C) != nullptr ? found : nullptr;
  });
  if (dialog == nullptr) return Fail("no save dialog");
  // The name field is an Edit with that id, inside a combo box (itself inside a ComboBoxEx32 under Wine).
  HWND edit = FindDescendant(dialog, 0x47C, L"Edit");
  if (edit == nullptr) edit = FindDescendant(FindDescendant(dialog, 0x47C), 0x3E9, L"Edit");
  if (edit == nullptr) return Fail("no file name field");
  Sleep(300);
  const HWND gone = WaitFor([&]() -> HWND {
    if (!IsWindow(dialog)) return kDone;
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    if (TextOf(edit) == path) PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    for (int i = 0; i < 20 && IsWindow(dialog); ++i) Sleep(100);
    return IsWindow(dialog) ? nullptr : kDone;
  });
  return gone != nullptr ? 0 : Fail("the save dialog did not take the name");
}

std::wstring LongestStaticText(HWND parent) {
  std::wstring longest;
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    std::wstring text = ClassOf(child) == L"Static" ? TextOf(child) : LongestStaticText(child);
    if (text.size() > longest.size()) longest = std::move(text);
  }
  return longest;
}

void DumpChildren(HWND parent, int depth) {
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    Print(std::wstring(static_cast<std::size_t>(depth) * 2, L' ') + L"id " + std::to_wstring(GetDlgCtrlID(child)) +
          L" " + ClassOf(child) + L" \"" + TextOf(child) + L"\"");
    DumpChildren(child, depth + 1);
  }
}

BOOL CALLBACK DumpTop(HWND window, LPARAM) {
  if (!IsWindowVisible(window)) return TRUE;
  Print(ClassOf(window) + L" \"" + TextOf(window) + L"\"");
  DumpChildren(window, 1);
  return TRUE;
}

BOOL CALLBACK MatchPopupMenu(HWND window, LPARAM param) {
  if (!IsWindowVisible(window) || ClassOf(window) != L"#32768") return TRUE;
  *reinterpret_cast<HWND*>(param) = window;
  return FALSE;
}

HWND OpenMenu() {
  return WaitFor([] {
    HWND found = nullptr;
    EnumWindows(&MatchPopupMenu, reinterpret_cast<LPARAM>(&found));
    return found;
  });
}

int ChooseFromOpenMenu(int entry) {
  HWND menu = OpenMenu();
  if (menu == nullptr) return Fail("no menu opened");
  Sleep(200);  // the menu takes keys once its loop runs
  for (int i = 0; i < entry; ++i) PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 1);
  PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 1);
  return WaitFor([&] { return IsWindowVisible(menu) ? nullptr : kDone; }) != nullptr ? 0
                                                                                     : Fail("the menu stayed open");
}

int ChooseFromMenu(HWND control, int entry) {
  const LONG_PTR type = GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK;
  RECT area{};
  GetClientRect(control, &area);
  if (ClassOf(control) == L"Button" && (type == BS_SPLITBUTTON || type == BS_DEFSPLITBUTTON)) {
    const LPARAM arrow = MAKELPARAM(area.right - 4, area.bottom / 2);
    PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, arrow);
    PostMessageW(control, WM_LBUTTONUP, 0, arrow);
  } else {
    POINT centre{area.right / 2, area.bottom / 2};
    ClientToScreen(control, &centre);
    PostMessageW(control, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control), MAKELPARAM(centre.x, centre.y));
  }
  return entry > 0 ? ChooseFromOpenMenu(entry) : (OpenMenu() != nullptr ? 0 : Fail("no menu opened"));
}

int Run(const std::vector<std::wstring>& a) {
  const auto need = [&](std::size_t n) { return a.size() >= n; };
  if (!need(2)) return 2;
  const std::wstring& action = a[1];
  if (action == L"wait" && need(3)) return WaitTop(a[2]) != nullptr ? 0 : Fail("window did not appear");
  if (action == L"gone" && need(3)) {
    return WaitFor([&] { return FindTop(a[2], false) == nullptr ? kDone : nullptr; }) != nullptr
               ? 0
               : Fail("window is still open");
  }
  if (action == L"close" && need(3)) {
    HWND top = WaitTop(a[2]);
    return top != nullptr && PostMessageW(top, WM_CLOSE, 0, 0) ? 0 : Fail("cannot close");
  }
  if (action == L"box" && need(3)) {
    HWND box = WaitTop(a[2], true);
    if (box == nullptr) return Fail("no message box");
    // A message box keeps its text in the static 0xFFFF; a task dialog in some static of its own.
    HWND text = GetDlgItem(box, 0xFFFF);
    Print(text != nullptr ? TextOf(text) : LongestStaticText(box));
    return 0;
  }
  if (action == L"no-box" && need(3)) return FindTop(a[2], true) == nullptr ? 0 : Fail("a message box is open");
  if (action == L"answer" && need(4)) {
    HWND box = WaitTop(a[2], true);
    HWND button = box != nullptr ? GetDlgItem(box, _wtoi(a[3].c_str())) : nullptr;
    return button != nullptr && PostMessageW(button, BM_CLICK, 0, 0) ? 0 : Fail("no such button");
  }
  if (action == L"dump") return EnumWindows(&DumpTop, 0), 0;
  if (action == L"client-size" && need(3)) {
    HWND top = WaitTop(a[2]);
    RECT client{};
    if (top == nullptr || !GetClientRect(top, &client)) return Fail("window did not appear");
    return Print(std::to_wstring(client.right) + L" " + std::to_wstring(client.bottom)), 0;
  }
  if (action == L"tab-order" && need(3)) {
    HWND top = WaitTop(a[2]);
    if (top == nullptr) return Fail("window did not appear");
    std::wstring ids;
    HWND first = GetNextDlgTabItem(top, nullptr, FALSE);
    for (HWND item = first; item != nullptr;) {
      ids += (ids.empty() ? L"" : L" ") + std::to_wstring(GetDlgCtrlID(item));
      item = GetNextDlgTabItem(top, item, FALSE);
      if (item == first) break;
    }
    return Print(ids), 0;
  }
  if (action == L"resizable" && need(3)) {
    HWND top = WaitTop(a[2]);
    if (top == nullptr) return Fail("window did not appear");
    const LONG_PTR style = GetWindowLongPtrW(top, GWL_STYLE);
    return Print((style & (WS_THICKFRAME | WS_MAXIMIZEBOX)) != 0 ? L"1" : L"0"), 0;
  }
  if (action == L"pick-folder" && need(3)) return PickFolder(a[2]);
  if (action == L"choose" && need(3)) return ChooseFromOpenMenu(_wtoi(a[2].c_str()));
  if (action == L"save-as" && need(3)) return SaveAs(a[2]);
  if (!need(4)) return 2;
  HWND control = Control(a[2], a[3].c_str());
  if (control == nullptr) return Fail("no such window or control");
  if (action == L"text") return Print(TextOf(control)), 0;
  if (action == L"set-text" && need(5)) {
    SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(a[4].c_str()));
    return 0;
  }
  if (action == L"enter") {
    PostMessageW(control, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageW(control, WM_KEYUP, VK_RETURN, static_cast<LPARAM>(0xC0000001u));
    return 0;
  }
  if (action == L"click") return PostMessageW(control, BM_CLICK, 0, 0) ? 0 : Fail("cannot click");
  if (action == L"double-click") {
    // Both clicks are queued before the first is handled, as a quick double-click's are.
    const bool posted = PostMessageW(control, BM_CLICK, 0, 0) && PostMessageW(control, BM_CLICK, 0, 0);
    return posted ? 0 : Fail("cannot click");
  }
  if (action == L"click-static") {
    PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    return 0;
  }
  if (action == L"menu" && need(5)) return ChooseFromMenu(control, _wtoi(a[4].c_str()));
  if (action == L"set-check" && need(5)) {
    SendMessageW(control, BM_SETCHECK, a[4] == L"1" ? BST_CHECKED : BST_UNCHECKED, 0);
    return 0;
  }
  if (action == L"checked") return Print(SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? L"1" : L"0"), 0;
  if (action == L"enabled") return Print(IsWindowEnabled(control) ? L"1" : L"0"), 0;
  if (action == L"pos") return Print(std::to_wstring(SendMessageW(control, PBM_GETPOS, 0, 0))), 0;
  if (action == L"list") {
    const int count = static_cast<int>(SendMessageW(control, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      const LRESULT data = SendMessageW(control, LB_GETITEMDATA, static_cast<WPARAM>(i), 0);
      Print(std::wstring(data != 0 && data != LB_ERR ? L"1" : L"0") + L"\t" + ListLine(control, i));
    }
    return 0;
  }
  if (action == L"tick" && need(6)) {
    SendMessageW(control, LB_SETITEMDATA, static_cast<WPARAM>(_wtoi(a[4].c_str())), _wtoi(a[5].c_str()));
    InvalidateRect(control, nullptr, TRUE);
    return 0;
  }
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::wstring> args(argv, argv + argc);
  const int result = Run(args);
  if (result == 2) std::fprintf(stderr, "driver: usage error (see the comment at the top of driver.cpp)\n");
  std::fflush(stdout);
  return result;
}
