#pragma once
// The application's standard error box: caption = application title, text = the error's
// message with a period appended when its last character lies above ".".
#include <windows.h>

#include <string>

namespace kv::ui::win32 {

std::u16string StandardErrorText(const std::u16string& message);

// Shows the box for a message in UTF-8 (exception what()) or UTF-16. Never throws.
void ShowErrorBox(HWND owner, const std::u16string& title, const std::string& message) noexcept;
void ShowErrorBox(HWND owner, const std::u16string& title, const std::u16string& message) noexcept;

// Shows the current exception (called from a catch block) in the standard error box.
void ShowCurrentException(HWND owner, const std::u16string& title) noexcept;

}  // namespace kv::ui::win32
