#pragma once
// Child controls placed from a table of positions in 96-dpi pixels, scaled to the window's
// DPI and placed again when the DPI changes (per-monitor awareness).
#include <windows.h>

#include <span>
#include <string>
#include <vector>

#include "windows/common/gdi.h"

namespace kv::ui::win32 {

// Which of the window's fonts a control uses.
enum class FontRole { Normal, Status, Title, Heading, Big };

struct FontSpec {
  const wchar_t* face;
  int height;  // logical height at 96 dpi, negative = character height
  bool bold;
};

struct ControlSpec {
  int id;
  const wchar_t* class_name;
  const char16_t* text;
  DWORD style;       // added to WS_CHILD | WS_VISIBLE
  DWORD ex_style;
  int x, y, width, height;  // 96-dpi pixels in the client area
  FontRole font;
};

class Layout {
 public:
  Layout(std::span<const ControlSpec> controls, std::span<const FontSpec> fonts)
      : controls_(controls), fonts_(fonts) {}

  // Creates every control of the table as a child of `parent`, in table order (which is
  // also the tab order), at the parent's current DPI.
  void Create(HWND parent);
  // Places and re-fonts every control for a new DPI.
  void Apply(HWND parent, UINT dpi);

  int Scale(int pixels) const { return MulDiv(pixels, static_cast<int>(dpi_), 96); }
  UINT dpi() const { return dpi_; }
  HFONT font(FontRole role) const;

 private:
  void MakeFonts();

  std::span<const ControlSpec> controls_;
  std::span<const FontSpec> fonts_;
  std::vector<Font> made_fonts_;
  UINT dpi_ = 96;
};

// The DPI of the monitor a window is on (system DPI where the per-window call is missing).
UINT WindowDpi(HWND window);

// Window size for a client area of the given 96-dpi size with the given styles at `dpi`.
SIZE WindowSizeFor(int client_width, int client_height, DWORD style, DWORD ex_style, UINT dpi);

// Moves a top-level window so that it is centred on `over` (or on the work area when null).
void CenterWindow(HWND window, HWND over);

}  // namespace kv::ui::win32
