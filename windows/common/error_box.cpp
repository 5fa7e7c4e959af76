#include "windows/common/error_box.h"

#include <exception>

#include "platform/unicode.h"

namespace kv::ui::win32 {

std::u16string StandardErrorText(const std::u16string& message) {
  if (!message.empty() && message.back() > u'.') return message + u".";
  return message;
}

void ShowErrorBox(HWND owner, const std::u16string& title, const std::u16string& message) noexcept {
  try {
    const std::u16string text = StandardErrorText(message);
    MessageBoxW(owner, reinterpret_cast<LPCWSTR>(text.c_str()), reinterpret_cast<LPCWSTR>(title.c_str()),
                MB_OK | MB_ICONERROR);
  } catch (...) {
    MessageBoxW(owner, L"Out of memory.", reinterpret_cast<LPCWSTR>(title.c_str()), MB_OK | MB_ICONERROR);
  }
}

void ShowErrorBox(HWND owner, const std::u16string& title, const std::string& message) noexcept {
  try {
    ShowErrorBox(owner, title, platform::Utf8ToUtf16(message));
  } catch (...) {
    ShowErrorBox(owner, title, std::u16string(u"Out of memory"));
  }
}

void ShowCurrentException(HWND owner, const std::u16string& title) noexcept {
  try {
    throw;
  } catch (const std::exception& error) {
    ShowErrorBox(owner, title, std::string(error.what()));
  } catch (...) {
    ShowErrorBox(owner, title, std::u16string(u"Unknown error"));
  }
}

}  // namespace kv::ui::win32
