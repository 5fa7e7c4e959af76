#pragma once
// The running program's own file and folder.
#include <string>

namespace kv::ui::win32 {

// Full path of the program's .exe.
std::u16string ProgramPath();
// Its folder with a trailing backslash.
std::u16string ProgramFolder();

}  // namespace kv::ui::win32
