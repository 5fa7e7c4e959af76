#include "windows/common/layout.h"

namespace kv::ui::win32 {
namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

template <typename Fn>
Fn User32Function(const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

}  // namespace

UINT WindowDpi(HWND window) {
  if (const auto get = User32Function<GetDpiForWindowFn>("GetDpiForWindow"); get != nullptr && window != nullptr) {
    if (const UINT dpi = get(window); dpi != 0) return dpi;
  }
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

SIZE WindowSizeFor(int client_width, int client_height, DWORD style, DWORD ex_style, UINT dpi) {
  RECT rect{0, 0, MulDiv(client_width, static_cast<int>(dpi), 96), MulDiv(client_height, static_cast<int>(dpi), 96)};
  if (const auto adjust = User32Function<AdjustForDpiFn>("AdjustWindowRectExForDpi"); adjust != nullptr) {
    adjust(&rect, style, FALSE, ex_style, dpi);
  } else {
    AdjustWindowRectEx(&rect, style, FALSE, ex_style);
  }
  return {rect.right - rect.left, rect.bottom - rect.top};
}

void CenterWindow(HWND window, HWND over) {
  RECT frame{};
  GetWindowRect(window, &frame);
  RECT area{};
  if (over != nullptr) {
    GetWindowRect(over, &area);
  } else {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  }
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const int x = area.left + (area.right - area.left - width) / 2;
  const int y = area.top + (area.bottom - area.top - height) / 2;
  SetWindowPos(window, nullptr, x < 0 ? 0 : x, y < 0 ? 0 : y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HFONT Layout::font(FontRole role) const {
  const auto index = static_cast<std::size_t>(role);
  return index < made_fonts_.size() ? made_fonts_[index].get() : made_fonts_.front().get();
}

void Layout::MakeFonts() {
  made_fonts_.clear();
  for (const FontSpec& wanted : fonts_) {
    made_fonts_.emplace_back(CreateFontW(Scale(wanted.height), 0, 0, 0, wanted.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE,
                                         FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                         CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, wanted.face));
  }
}

void Layout::Create(HWND parent) {
  dpi_ = WindowDpi(parent);
  MakeFonts();
  for (const ControlSpec& control : controls_) {
    const HWND child = CreateWindowExW(control.ex_style, control.class_name, reinterpret_cast<LPCWSTR>(control.text),
                                       WS_CHILD | WS_VISIBLE | control.style, Scale(control.x), Scale(control.y),
                                       Scale(control.width), Scale(control.height), parent,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)),
                                       GetModuleHandleW(nullptr), nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font(control.font)), FALSE);
  }
}

void Layout::Apply(HWND parent, UINT dpi) {
  dpi_ = dpi;
  const std::vector<Font> old_fonts = std::move(made_fonts_);  // freed once the controls moved on
  MakeFonts();
  for (const ControlSpec& control : controls_) {
    const HWND child = GetDlgItem(parent, control.id);
    SetWindowPos(child, nullptr, Scale(control.x), Scale(control.y), Scale(control.width), Scale(control.height),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font(control.font)), TRUE);
  }
}

}  // namespace kv::ui::win32
