#pragma once
// Whole-file operations used by the package build and the installer.
#include <string>

namespace kv::platform {

// Copies `from` to `to`, replacing an existing `to` (CopyFileW with fail-if-exists off). Returns false
// when the copy fails (source missing, target not writable); never throws. Windows keeps the source's
// attributes and last-write time; the POSIX stand-in keeps the bytes only.
bool CopyFileReplacing(const std::u16string& from, const std::u16string& to);

// Deletes the entries of `folder` whose names match `mask` ("*.*" matches every name), for good (no
// recycle bin) and without asking (SHFileOperationW FO_DELETE with FOF_NOCONFIRMATION; FOF_FILESONLY
// unless `with_folders`, in which case matching subfolders go with everything in them). Returns whether
// the operation reported success; a folder with nothing matching is a success. Never throws.
bool ShellDeleteFiles(const std::u16string& folder, const std::u16string& mask, bool with_folders);

// Deletes one file. Returns false when it was not there or could not be deleted; never throws.
bool DeleteFileQuietly(const std::u16string& file);

// True when `path` names an existing file (not a folder) / an existing folder.
bool FileExists(const std::u16string& path);
bool FolderExists(const std::u16string& path);

// Creates one folder (its parent must exist). True when it was created or already is a folder.
bool CreateFolder(const std::u16string& path);

}  // namespace kv::platform
