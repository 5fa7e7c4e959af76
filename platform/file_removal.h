#pragma once
// Removing what an installation left: an empty folder now, and a file or folder the system
// cannot remove now (in use) at the next restart.
#include <string>

namespace kv::platform {

// Removes the folder when it is empty (RemoveDirectoryW). False when it is missing, not a
// folder, not empty or cannot be removed.
bool RemoveEmptyFolder(const std::u16string& path);

// Asks the system to delete the file, or the folder once it is empty, at the next restart
// (MoveFileExW with MOVEFILE_DELAY_UNTIL_REBOOT; needs administrator rights). False when the
// system refuses. The POSIX stand-in has no restart and always refuses.
bool DeleteAtRestart(const std::u16string& path);

}  // namespace kv::platform
