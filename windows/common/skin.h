#pragma once
// The programs' own look: a palette of colours for the window, framed panels, edit fields and
// lists, answered through the WM_CTLCOLOR* messages, and panels drawn as framed rectangles.
#include <windows.h>

#include <span>

#include "windows/common/gdi.h"
#include "windows/common/layout.h"

namespace kv::ui::win32 {

struct Palette {
  COLORREF window;        // form background
  COLORREF panel;         // inside framed panels
  COLORREF panel_light;   // upper-left frame line
  COLORREF panel_dark;    // lower-right frame line
  COLORREF text;          // labels and tick boxes
  COLORREF field;         // edit fields and lists
  COLORREF field_text;
  COLORREF accent;        // highlights (ticks, selection)
  COLORREF accent_text;
};

// "Turquoise Gray": grey panels with turquoise fields and highlights.
Palette TurquoiseGray();
// "Carbon": dark charcoal with a cool blue accent.
Palette Carbon();

struct PanelSpec {
  int x, y, width, height;  // 96-dpi pixels in the client area
};

class Skin {
 public:
  explicit Skin(const Palette& palette);

  const Palette& palette() const { return palette_; }
  HBRUSH window_brush() const { return window_.get(); }

  // Answers WM_CTLCOLORSTATIC/EDIT/LISTBOX/BTN for `control`: fields (edits, lists) get the
  // field colours, other controls the colour of the panel they sit on. Returns the brush.
  HBRUSH ControlColors(HWND parent, HDC dc, HWND control, bool field, std::span<const PanelSpec> panels,
                       const Layout& layout) const;

  // Fills the client area and draws each panel with a two-tone frame.
  void PaintPanels(HDC dc, const RECT& client, std::span<const PanelSpec> panels, const Layout& layout) const;

 private:
  Palette palette_;
  Brush window_;
  Brush panel_;
  Brush field_;
};

}  // namespace kv::ui::win32
