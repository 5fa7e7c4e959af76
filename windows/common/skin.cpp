#include "windows/common/skin.h"

namespace kv::ui::win32 {

Palette TurquoiseGray() {
  return {RGB(0xDD, 0xE3, 0xE3), RGB(0xE9, 0xEE, 0xEE), RGB(0xFF, 0xFF, 0xFF), RGB(0x7A, 0xA5, 0xA5),
          RGB(0x1F, 0x3A, 0x3D), RGB(0xF4, 0xFB, 0xFA), RGB(0x10, 0x2A, 0x2C), RGB(0x1A, 0x9C, 0x9A),
          RGB(0xFF, 0xFF, 0xFF)};
}

Palette Carbon() {
  return {RGB(0x23, 0x26, 0x2B), RGB(0x2B, 0x2F, 0x35), RGB(0x3C, 0x42, 0x4A), RGB(0x14, 0x16, 0x19),
          RGB(0xE6, 0xE8, 0xEB), RGB(0x1A, 0x1C, 0x20), RGB(0xF0, 0xF2, 0xF4), RGB(0x3D, 0x9B, 0xE9),
          RGB(0xFF, 0xFF, 0xFF)};
}

Skin::Skin(const Palette& palette)
    : palette_(palette),
      window_(CreateSolidBrush(palette.window)),
      panel_(CreateSolidBrush(palette.panel)),
      field_(CreateSolidBrush(palette.field)) {}

HBRUSH Skin::ControlColors(HWND parent, HDC dc, HWND control, bool field, std::span<const PanelSpec> panels,
                           const Layout& layout) const {
  if (field) {
    SetTextColor(dc, palette_.field_text);
    SetBkColor(dc, palette_.field);
    return field_.get();
  }
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  bool on_panel = false;
  for (const PanelSpec& panel : panels) {
    const RECT area{layout.Scale(panel.x), layout.Scale(panel.y), layout.Scale(panel.x + panel.width),
                    layout.Scale(panel.y + panel.height)};
    if (rect.left >= area.left && rect.top >= area.top && rect.right <= area.right && rect.bottom <= area.bottom)
      on_panel = true;
  }
  SetTextColor(dc, palette_.text);
  SetBkColor(dc, on_panel ? palette_.panel : palette_.window);
  return on_panel ? panel_.get() : window_.get();
}

void Skin::PaintPanels(HDC dc, const RECT& client, std::span<const PanelSpec> panels, const Layout& layout) const {
  FillRect(dc, &client, window_.get());
  Pen light(CreatePen(PS_SOLID, 1, palette_.panel_light));
  Pen dark(CreatePen(PS_SOLID, 1, palette_.panel_dark));
  for (const PanelSpec& panel : panels) {
    const RECT area{layout.Scale(panel.x), layout.Scale(panel.y), layout.Scale(panel.x + panel.width),
                    layout.Scale(panel.y + panel.height)};
    FillRect(dc, &area, panel_.get());
    {
      Selected pen(dc, light.get());
      MoveToEx(dc, area.left, area.bottom - 1, nullptr);
      LineTo(dc, area.left, area.top);
      LineTo(dc, area.right - 1, area.top);
    }
    Selected pen(dc, dark.get());
    MoveToEx(dc, area.right - 1, area.top, nullptr);
    LineTo(dc, area.right - 1, area.bottom - 1);
    LineTo(dc, area.left - 1, area.bottom - 1);
  }
}

}  // namespace kv::ui::win32
