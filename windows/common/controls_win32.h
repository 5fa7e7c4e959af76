#pragma once
// The control interfaces of controls/controls.h over real child windows. Each object refers to a
// control owned by its parent window; it owns nothing of the window (the check-list keeps the
// notes it draws beside its items).
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "controls/controls.h"

namespace kv::ui::win32 {

std::u16string WindowText(HWND window);

class WinText final : public TextControl {
 public:
  explicit WinText(HWND control = nullptr) : control_(control) {}
  std::u16string Text() const override { return WindowText(control_); }
  void SetText(const std::u16string& text) override;
  void SetFocus() override { ::SetFocus(control_); }

 private:
  HWND control_;
};

// The single simple panel of a status bar.
class WinStatusPanel final : public TextControl {
 public:
  explicit WinStatusPanel(HWND bar = nullptr) : bar_(bar) {}
  std::u16string Text() const override;
  void SetText(const std::u16string& text) override;

 private:
  HWND bar_;
};

class WinButton final : public EnableControl {
 public:
  explicit WinButton(HWND control = nullptr) : control_(control) {}
  bool Enabled() const override { return IsWindowEnabled(control_) != FALSE; }
  void SetEnabled(bool enabled) override { EnableWindow(control_, enabled ? TRUE : FALSE); }

 private:
  HWND control_;
};

// Any other control a handler enables or disables (a list, a field): EnableWindow works alike.
using WinEnabling = WinButton;

class WinTickBox final : public TickBox {
 public:
  explicit WinTickBox(HWND control = nullptr) : control_(control) {}
  bool Checked() const override { return SendMessageW(control_, BM_GETCHECK, 0, 0) == BST_CHECKED; }
  void SetChecked(bool checked) override {
    SendMessageW(control_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  }

 private:
  HWND control_;
};

class WinProgress final : public ProgressBar {
 public:
  explicit WinProgress(HWND control = nullptr) : control_(control) {}
  int Position() const override { return static_cast<int>(SendMessageW(control_, PBM_GETPOS, 0, 0)); }
  void SetPosition(int position) override { SendMessageW(control_, PBM_SETPOS, static_cast<WPARAM>(position), 0); }

 private:
  HWND control_;
};

// An owner-drawn list box (LBS_HASSTRINGS) whose item data holds the tick (0 or 1), so that
// other programs can read names and ticks with LB_GETTEXT and LB_GETITEMDATA.
class WinCheckList final : public CheckList {
 public:
  explicit WinCheckList(HWND control = nullptr) : control_(control) {}
  int Count() const override { return static_cast<int>(SendMessageW(control_, LB_GETCOUNT, 0, 0)); }
  std::u16string Name(int index) const override;
  bool Checked(int index) const override;
  void SetChecked(int index, bool checked) override;
  void Clear() override;
  void Add(const std::u16string& name) override;
  int SelectedIndex() const override { return static_cast<int>(SendMessageW(control_, LB_GETCURSEL, 0, 0)); }
  void SetSelectedIndex(int index) override { SendMessageW(control_, LB_SETCURSEL, static_cast<WPARAM>(index), 0); }
  // The note is drawn right-aligned beside the name; the item's text stays the bare name.
  void SetNote(int index, const std::u16string& note) override;

  // Draws one item (WM_DRAWITEM) with a tick box in front of the name and its note after it.
  void Draw(const DRAWITEMSTRUCT& item, COLORREF field, COLORREF text, COLORREF accent, COLORREF accent_text) const;
  // Toggles the tick of the item under a click in the tick box area, or of the selected item
  // on the space bar. Call from the list's subclass procedure.
  void ToggleAt(int index);

 private:
  HWND control_;
  std::vector<std::u16string> notes_;  // by item index; the list is never sorted
};

class WinLineList final : public LineList {
 public:
  explicit WinLineList(HWND control = nullptr) : control_(control) {}
  int Count() const override { return static_cast<int>(SendMessageW(control_, LB_GETCOUNT, 0, 0)); }
  std::u16string Line(int index) const override;
  void Append(const std::u16string& line) override;

 private:
  HWND control_;
};

// The lines of a multi-line edit field, each appended on a line of its own.
class WinMemoLines final : public LineList {
 public:
  explicit WinMemoLines(HWND control = nullptr) : control_(control) {}
  int Count() const override;
  std::u16string Line(int index) const override;
  void Append(const std::u16string& line) override;

 private:
  HWND control_;
};

// Lets a check list toggle ticks with the mouse and the space bar.
void EnableCheckListToggling(HWND list);

}  // namespace kv::ui::win32
