#pragma once
// The path rules of GetFullPathNameW as pure text functions, so that the POSIX stand-in can
// expand Windows paths exactly as Windows does. Used by the POSIX twin; the Win32 twin asks
// the system.
#include <string>
#include <string_view>

namespace kv::platform {

// Expands `path` against `current_folder` (itself a full path such as "Z:\work" or "Z:\"):
// see FullPath in platform/file_system.h for the rules.
std::u16string ExpandFullPath(std::u16string_view path, std::u16string_view current_folder);

// The root of a full path: "X:" for a drive path, "\\server\share" for a network path, empty
// otherwise. The rest of the path follows the root.
std::u16string_view PathRoot(std::u16string_view full_path);

}  // namespace kv::platform
