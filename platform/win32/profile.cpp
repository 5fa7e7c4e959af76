#include <windows.h>

#include <vector>

#include "platform/profile.h"
#include "platform/win32/wide_text.h"

namespace kv::platform {
namespace {

using win32::Wide;

}  // namespace

bool WriteProfileValue(const std::u16string& file, const std::u16string& section, const std::u16string& key,
                       const std::u16string& value) {
  return WritePrivateProfileStringW(Wide(section), Wide(key), Wide(value), Wide(file)) != FALSE;
}

std::u16string ReadProfileValue(const std::u16string& file, const std::u16string& section,
                                const std::u16string& key, const std::u16string& fallback,
                                std::size_t capacity) {
  if (capacity == 0) return {};
  std::vector<wchar_t> buffer(capacity, L'\0');
  const DWORD length = GetPrivateProfileStringW(Wide(section), Wide(key), Wide(fallback), buffer.data(),
                                                static_cast<DWORD>(capacity), Wide(file));
  return win32::FromWide({buffer.data(), length});
}

}  // namespace kv::platform
