#pragma once
// The POSIX stand-in's view of Windows paths: drive Z: is the root "/", "\" separators become "/".
#include <optional>
#include <string>
#include <string_view>

namespace kv::platform::posix {

// True when a Windows file system could hold a file or folder of this name.
bool IsHoldableName(std::u16string_view name);

// The process's current folder as a Windows path on drive Z:.
std::u16string CurrentWindowsFolder();

// The native path of a Windows path (expanded against the current folder), or nothing when it lies
// outside drive Z:.
std::optional<std::string> NativePath(std::u16string_view windows_path);

// As NativePath, and nothing when a name in the path could not be held by Windows.
std::optional<std::string> NativePathForCreate(std::u16string_view windows_path);

}  // namespace kv::platform::posix
