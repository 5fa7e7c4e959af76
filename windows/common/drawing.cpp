#include "windows/common/drawing.h"

#include "windows/common/gdi.h"

namespace kv::ui::win32 {

COLORREF Mix(COLORREF a, COLORREF b, int percent_b) {
  const auto channel = [&](int shift) {
    const int x = (a >> shift) & 0xFF;
    const int y = (b >> shift) & 0xFF;
    return static_cast<COLORREF>((x * (100 - percent_b) + y * percent_b) / 100) << shift;
  };
  return channel(0) | channel(8) | channel(16);
}

void GradientRect(HDC dc, const RECT& rect, COLORREF from, COLORREF to, bool vertical) {
  const int span = vertical ? rect.bottom - rect.top : rect.right - rect.left;
  if (span <= 0) return;
  for (int i = 0; i < span; ++i) {
    SetDCBrushColor(dc, Mix(from, to, i * 100 / span));
    const RECT line = vertical ? RECT{rect.left, rect.top + i, rect.right, rect.top + i + 1}
                               : RECT{rect.left + i, rect.top, rect.left + i + 1, rect.bottom};
    FillRect(dc, &line, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  }
}

void FilledEllipse(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
  Brush brush(CreateSolidBrush(colour));
  Selected selected_brush(dc, brush.get());
  Selected selected_pen(dc, GetStockObject(NULL_PEN));
  Ellipse(dc, left, top, right, bottom);
}

void DrawTextWith(HDC dc, const std::u16string& text, RECT rect, const wchar_t* face, int height, bool bold,
                  COLORREF colour, UINT format) {
  Font font(CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, face));
  Selected selected(dc, font.get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colour);
  DrawTextW(dc, reinterpret_cast<LPCWSTR>(text.c_str()), static_cast<int>(text.size()), &rect, format | DT_NOPREFIX);
}

}  // namespace kv::ui::win32
