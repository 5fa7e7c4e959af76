#include "platform/code_pages.h"

#include <windows.h>

#include "platform/win32/wide_text.h"

namespace kv::platform {
namespace {

using win32::WideData;

std::string ToCodePage(UINT code_page, std::u16string_view text) {
  if (text.empty()) return {};
  const wchar_t* wide = WideData(text);
  const int length = static_cast<int>(text.size());
  const int size =
      WideCharToMultiByte(code_page, WC_NO_BEST_FIT_CHARS, wide, length, nullptr, 0, "?", nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(code_page, WC_NO_BEST_FIT_CHARS, wide, length, bytes.data(), size, "?", nullptr);
  return bytes;
}

std::u16string FromCodePage(UINT code_page, std::string_view bytes) {
  if (bytes.empty()) return {};
  const int length = static_cast<int>(bytes.size());
  const int size = MultiByteToWideChar(code_page, 0, bytes.data(), length, nullptr, 0);
  std::u16string text(static_cast<size_t>(size), u'\0');
  MultiByteToWideChar(code_page, 0, bytes.data(), length, WideData(text), size);
  return text;
}

}  // namespace

std::uint32_t AnsiCodePage() { return GetACP(); }
std::uint32_t OemCodePage() { return GetOEMCP(); }

std::string ToAnsi(std::u16string_view text) { return ToCodePage(CP_ACP, text); }
std::u16string FromAnsi(std::string_view bytes) { return FromCodePage(CP_ACP, bytes); }
std::string ToOem(std::u16string_view text) { return ToCodePage(CP_OEMCP, text); }
std::u16string FromOem(std::string_view bytes) { return FromCodePage(CP_OEMCP, bytes); }

}  // namespace kv::platform
