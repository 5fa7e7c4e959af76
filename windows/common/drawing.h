#pragma once
// Small drawing helpers for the pictures the programs draw themselves.
#include <windows.h>

#include <string>

namespace kv::ui::win32 {

// Fills `rect` with a gradient from `from` to `to` (top to bottom or left to right).
void GradientRect(HDC dc, const RECT& rect, COLORREF from, COLORREF to, bool vertical);

void FilledEllipse(HDC dc, int left, int top, int right, int bottom, COLORREF colour);

// Draws text with a font made for this call (face, pixel height, bold) in `colour`.
void DrawTextWith(HDC dc, const std::u16string& text, RECT rect, const wchar_t* face, int height, bool bold,
                  COLORREF colour, UINT format);

COLORREF Mix(COLORREF a, COLORREF b, int percent_b);

}  // namespace kv::ui::win32
