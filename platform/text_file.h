#pragma once
// Writing a text file of lines in the system's ANSI code page (platform/code_pages.h): each
// line followed by CR LF (the last one too), no byte-order mark. An existing file of that
// name is replaced without asking.
//
// Errors throw PlatformError with the OS error and the path:
// - the file cannot be created: "Cannot create file "<path>". <the system's reason>";
// - a write fails: "Stream write error"; the partly written file is deleted, so no
//   truncated file is left behind.
#include <string>
#include <vector>

namespace kv::platform {

void WriteAnsiLines(const std::u16string& path, const std::vector<std::u16string>& lines);

// The bytes WriteAnsiLines writes for `lines`.
std::string AnsiLinesBytes(const std::vector<std::u16string>& lines);

}  // namespace kv::platform
