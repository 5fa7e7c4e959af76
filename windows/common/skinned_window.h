#pragma once
// SkinnedWindow<T>: a BaseWindow<T> whose children come from a layout table and whose look
// comes from a skin. It answers, once for every window of both programs, the messages that
// belong to that look and plumbing: the children created and bound at WM_CREATE, no background
// erase and panels painted in one pass (the windows clip their children), control colours,
// owner-drawn items, the default button, placement at a new DPI, the status bar kept as wide as
// the window, and WM_COMMAND handed on as (id, code). A window overrides the hooks below and
// handles only the messages that are its own in HandleOwnMessage.
#include <windows.h>

#include <algorithm>
#include <span>

#include "windows/common/base_window.h"
#include "windows/common/error_box.h"
#include "windows/common/gdi.h"
#include "windows/common/layout.h"
#include "windows/common/skin.h"

namespace kv::ui::win32 {

// What a skinned window is made of besides its palette. The tables must outlive the window.
struct WindowLook {
  std::span<const ControlSpec> controls;  // also the tab order
  std::span<const FontSpec> fonts;
  std::span<const PanelSpec> panels;
  // Read-only edits: they ask for colours as static controls do, yet are drawn as fields.
  std::span<const int> read_only_fields;
  int default_button;  // what Enter presses
  int status_bar = 0;  // 0 when the window has none
};

template <typename T>
class SkinnedWindow : public BaseWindow<T> {
 public:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

 protected:
  SkinnedWindow(const WindowLook& look, const Palette& palette)
      : look_(look), layout_(look.controls, look.fonts), skin_(palette) {}

  const Layout& layout() const { return layout_; }
  const Skin& skin() const { return skin_; }

  // Right after the children were created: points the control objects at them.
  virtual void BindControls() = 0;
  // Then the window's own start-up. An error is shown in the standard error box and the window
  // still opens.
  virtual void OnCreated() {}
  // Draws on top of the background and panels during WM_PAINT.
  virtual void PaintOverPanels(HDC /*dc*/, const RECT& /*client*/) const {}
  virtual void DrawItem(const DRAWITEMSTRUCT& item) = 0;
  virtual void OnCommand(int id, int code) = 0;
  // After the children were placed for a new DPI and the window was moved where Windows asked.
  virtual void OnDpiChanged() {}
  // Every message the skinned window does not answer; the default leaves it to Windows.
  virtual LRESULT HandleOwnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcW(this->window(), message, wparam, lparam);
  }

 private:
  bool IsReadOnlyField(HWND control) const {
    return std::ranges::find(look_.read_only_fields, GetDlgCtrlID(control)) != look_.read_only_fields.end();
  }

  WindowLook look_;
  Layout layout_;
  Skin skin_;
};

template <typename T>
LRESULT SkinnedWindow<T>::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  const HWND self = this->window();
  switch (message) {
    case WM_CREATE:
      layout_.Create(self);
      BindControls();
      try {
        OnCreated();
      } catch (...) {
        ShowCurrentException(self, this->ApplicationTitle());  // the window still opens
      }
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PaintScope paint(self);
      RECT client{};
      GetClientRect(self, &client);
      skin_.PaintPanels(paint.dc(), client, look_.panels, layout_);
      PaintOverPanels(paint.dc(), client);
      return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: {
      const auto control = reinterpret_cast<HWND>(lparam);
      const bool field =
          message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX || IsReadOnlyField(control);
      return reinterpret_cast<LRESULT>(
          skin_.ControlColors(self, reinterpret_cast<HDC>(wparam), control, field, look_.panels, layout_));
    }
    case WM_DRAWITEM:
      DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
      return TRUE;
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam));
      return 0;
    case DM_GETDEFID:
      return MAKELRESULT(look_.default_button, DC_HASDEFID);
    case WM_DPICHANGED: {
      const auto& suggested = *reinterpret_cast<const RECT*>(lparam);
      layout_.Apply(self, HIWORD(wparam));
      SetWindowPos(self, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
      OnDpiChanged();
      return 0;
    }
    case WM_SIZE:
      if (look_.status_bar == 0) break;
      SendMessageW(GetDlgItem(self, look_.status_bar), WM_SIZE, 0, 0);
      return 0;
    default:
      break;
  }
  return HandleOwnMessage(message, wparam, lparam);
}

}  // namespace kv::ui::win32
