#pragma once
// BaseWindow<T>: binds a C++ object to its HWND at WM_NCCREATE and forwards every message to
// T::HandleMessage. The window procedure is noexcept: an error escaping a handler is shown in
// the application's standard error box and the program goes on.
#include <windows.h>

#include <string>

#include "windows/common/error_box.h"

namespace kv::ui::win32 {

template <typename T>
class BaseWindow {
 public:
  BaseWindow() = default;
  BaseWindow(const BaseWindow&) = delete;
  BaseWindow& operator=(const BaseWindow&) = delete;
  virtual ~BaseWindow() {
    if (window_ != nullptr) {
      SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
      DestroyWindow(window_);
    }
  }

  HWND window() const { return window_; }

 protected:
  // Registers the class once per process and creates the window bound to this object.
  HWND CreateBound(const wchar_t* class_name, const std::u16string& caption, DWORD style, DWORD ex_style,
                   int width, int height, HWND owner, HICON icon, HBRUSH background) {
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof(cls);
    if (!GetClassInfoExW(GetModuleHandleW(nullptr), class_name, &cls)) {
      cls.cbSize = sizeof(cls);
      cls.lpfnWndProc = &BaseWindow::Procedure;
      cls.hInstance = GetModuleHandleW(nullptr);
      cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
      cls.hIcon = icon;
      cls.hIconSm = icon;
      cls.hbrBackground = background;
      cls.lpszClassName = class_name;
      RegisterClassExW(&cls);
    }
    return CreateWindowExW(ex_style, class_name, reinterpret_cast<LPCWSTR>(caption.c_str()), style, CW_USEDEFAULT,
                           CW_USEDEFAULT, width, height, owner, nullptr, GetModuleHandleW(nullptr), this);
  }

  // The title of the application, shown as the caption of its error boxes.
  virtual std::u16string ApplicationTitle() const = 0;

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
    T* self = nullptr;
    if (message == WM_NCCREATE) {
      const auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
      self = static_cast<T*>(static_cast<BaseWindow*>(create->lpCreateParams));
      self->window_ = window;
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
      self = reinterpret_cast<T*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    }
    if (self == nullptr) return DefWindowProcW(window, message, wparam, lparam);
    if (message == WM_NCDESTROY) {
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      self->window_ = nullptr;
      return DefWindowProcW(window, message, wparam, lparam);
    }
    try {
      return self->HandleMessage(message, wparam, lparam);
    } catch (...) {
      ShowCurrentException(window, self->ApplicationTitle());
      return 0;
    }
  }

  HWND window_ = nullptr;
};

}  // namespace kv::ui::win32
