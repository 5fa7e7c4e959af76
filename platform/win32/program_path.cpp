#include <windows.h>

#include <vector>

#include "platform/errors.h"
#include "platform/program_path.h"
#include "platform/win32/wide_text.h"

namespace kv::platform {

std::u16string ProgramPath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) throw PlatformError("Cannot find the program's own file", GetLastError());
    if (length < buffer.size()) return win32::FromWide({buffer.data(), length});
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace kv::platform
