#pragma once
// Temporary files: the system's temporary folder and files with unique names in a folder.
#include <string>

namespace kv::platform {

// The system's folder for temporary files, ending with "\" (GetTempPathW). Throws
// PlatformError when the system cannot say.
std::u16string TempFolder();

// Creates a new, empty file in `folder` whose name begins with `prefix` (at most three
// characters are used) followed by a unique hexadecimal number and ".tmp", as
// GetTempFileNameW does with a unique number of 0, and returns its full path. An existing
// file is never reused or replaced. `folder` may end with "\" or not. Throws PlatformError
// (with the folder as path) when the folder is missing or the file cannot be created.
std::u16string CreateUniqueTempFile(const std::u16string& folder, const std::u16string& prefix);

// Asks the system to write the file's buffered data to the disk (FlushFileBuffers).
// Throws PlatformError when the file cannot be opened or flushed.
void FlushFileToDisk(const std::u16string& path);

}  // namespace kv::platform
