#pragma once
// Path rules of the engine on Windows paths ("\" and "/" both separate, "X:" drives and
// "\\server\share" network prefixes). Folders are passed in, so the rules need no archive
// object: `base_dir` is the archiver's BaseDir, `current_dir` its current folder (empty: the
// process's current folder).
#include <string>
#include <string_view>

#include "archive/options.h"

namespace kv::archive {

// `path` with a "\" appended unless it is empty or already ends with "\" or "/".
std::u16string IncludeTrailingBackslash(std::u16string_view path);
// Text after the last "\", "/" or ":" (the whole text when there is none).
std::u16string_view FinalComponent(std::u16string_view path);
// Text up to and including the last "\", "/" or ":" (empty when there is none).
std::u16string_view FolderPart(std::u16string_view path);
// "X:" or "\\server\share" at the start of `path`, else empty.
std::u16string_view DrivePart(std::u16string_view path);
// ASCII letters lower-cased, everything else unchanged.
std::u16string LowerAscii(std::u16string_view text);

// Resolves a file name, or a folder when `file_name` is empty, against `dir` (or the current
// folder when `dir` is empty). Names with a drive or a network prefix come back unchanged;
// a folder that does not exist comes back unchanged.
std::u16string ResolvePath(std::u16string_view dir, std::u16string_view file_name, std::u16string_view current_dir);

// `path` relative to the folder `base` (a trailing "\" is assumed): the shared leading folders
// (compared without regard to ASCII case) are dropped and one "..\" is written per remaining
// folder of `base`. On different drives `path` comes back unchanged.
std::u16string RelativePath(std::u16string_view path, std::u16string_view base);

// The name under which the file `file_name` is stored, with "/" separators: relative to
// `base_dir`, without the path, or the full path without (or with) its drive.
std::u16string StoredName(std::u16string_view file_name, std::u16string_view base_dir, TKZStorePathMode store_path,
                          std::u16string_view current_dir);

}  // namespace kv::archive
