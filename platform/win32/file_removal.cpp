#include "platform/file_removal.h"

#include <windows.h>

#include "platform/win32/wide_text.h"

namespace kv::platform {

bool RemoveEmptyFolder(const std::u16string& path) { return RemoveDirectoryW(win32::Wide(path)) != FALSE; }

bool DeleteAtRestart(const std::u16string& path) {
  return MoveFileExW(win32::Wide(path), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

}  // namespace kv::platform
