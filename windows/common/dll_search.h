#pragma once
// Where the program's later library loads may come from.

namespace kv::ui::win32 {

// Restricts every library the process loads from now on (its own LoadLibrary calls and those
// the system libraries make for it: themes, shell extensions, common dialogs) to the system
// folder, so a library planted under a system library's name in the folder the program was
// started from (a Downloads folder) is never taken. Also takes the current folder off the
// search path. Call it first in the entry point, before any window, COM or shell call.
// Returns false when this Windows lacks SetDefaultDllDirectories (Vista/7 without KB2533623);
// the current folder is then still removed from the search.
bool RestrictLibrarySearchToSystemFolder();

}  // namespace kv::ui::win32
