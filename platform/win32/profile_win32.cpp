#include <windows.h>

#include <vector>

#include "platform/profile.h"

namespace kv::platform {
namespace {

const wchar_t* W(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

}  // namespace

bool WriteProfileValue(const std::u16string& file, const std::u16string& section, const std::u16string& key,
                       const std::u16string& value) {
  return WritePrivateProfileStringW(W(section), W(key), W(value), W(file)) != FALSE;
}

std::u16string ReadProfileValue(const std::u16string& file, const std::u16string& section,
                                const std::u16string& key, const std::u16string& fallback,
                                std::size_t capacity) {
  if (capacity == 0) return {};
  std::vector<wchar_t> buffer(capacity, L'\0');
  const DWORD length = GetPrivateProfileStringW(W(section), W(key), W(fallback), buffer.data(),
                                                static_cast<DWORD>(capacity), W(file));
  return std::u16string(reinterpret_cast<const char16_t*>(buffer.data()), length);
}

}  // namespace kv::platform
