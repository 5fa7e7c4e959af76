#include "ui/win32/common/program_path.h"

#include <windows.h>

#include <vector>

namespace kv::ui::win32 {

std::u16string ProgramPath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length < buffer.size()) return std::u16string(buffer.begin(), buffer.begin() + length);
    buffer.resize(buffer.size() * 2);  // truncated: try again with more room
  }
}

std::u16string ProgramFolder() {
  const std::u16string path = ProgramPath();
  return path.substr(0, path.find_last_of(u'\\') + 1);
}

}  // namespace kv::ui::win32
