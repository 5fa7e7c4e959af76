#pragma once
// The program's text (UTF-16 in char16_t) and the wchar_t text of the W functions are the same
// 16-bit code units on Windows: these helpers pass one as the other, unit for unit, with no
// conversion. Internal to the Win32 twin (and windows).
#include <string>
#include <string_view>

namespace kv::platform::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the W functions take UTF-16 text in 16-bit wchar_t");

// `text` as the zero-terminated wide string of a W function's input; valid while `text` lives
// unchanged.
inline const wchar_t* Wide(const std::u16string& text) noexcept {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

// A zero-terminated wide copy, for a view (a view need not end in a zero).
inline std::wstring WideCopy(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

// The code units of `text` for the functions that take a length with the text; not
// zero-terminated.
inline const wchar_t* WideData(std::u16string_view text) noexcept {
  return reinterpret_cast<const wchar_t*>(text.data());
}

// Room for a W function to write `text.size()` units into `text`.
inline wchar_t* WideData(std::u16string& text) noexcept { return reinterpret_cast<wchar_t*>(text.data()); }

// Text a W function gave back; a zero-terminated wide string converts to the view by itself.
inline std::u16string FromWide(std::wstring_view text) { return std::u16string(text.begin(), text.end()); }

}  // namespace kv::platform::win32
