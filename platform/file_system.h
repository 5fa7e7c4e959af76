#pragma once
// Files and folders by Windows path. The Win32 twin calls the file API directly; the POSIX
// stand-in maps Windows paths onto the native tree: drive Z: is the root "/" (as under Wine),
// "\" and "/" both separate, a path without a drive uses Z:, and other drives and "\\server"
// network paths do not exist there (every operation on them fails like a missing drive).
// When the stand-in creates something it refuses names Windows could not hold: control
// characters, any of <>:"|?*, a trailing dot or space, and the reserved device names (CON,
// PRN, AUX, NUL, CONIN$, CONOUT$, COM0-9, LPT0-9 and COM or LPT with a superscript 1-3, in any
// letter case, with or without an extension).
//
// None of these operations throws for a failure of the file system: they report it in
// their result. Only PlatformError-worthy misuse (none so far) would throw.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kv::platform {

// Windows file attribute bits the engine reads and writes.
inline constexpr std::uint32_t kAttrReadOnly = 0x01;
inline constexpr std::uint32_t kAttrHidden = 0x02;
inline constexpr std::uint32_t kAttrSystem = 0x04;
inline constexpr std::uint32_t kAttrDirectory = 0x10;
inline constexpr std::uint32_t kAttrArchive = 0x20;
inline constexpr std::uint32_t kAttrNormal = 0x80;
// A symbolic link, a junction or another reparse point (FILE_ATTRIBUTE_REPARSE_POINT).
inline constexpr std::uint32_t kAttrReparsePoint = 0x400;

// --- Existence and folders ---

// True when `path` names an existing file (not a folder) / an existing folder.
bool FileExists(const std::u16string& path);
bool FolderExists(const std::u16string& path);

// Creates one folder (its parent must exist). True when it was created or already is a folder.
bool CreateFolder(const std::u16string& path);

// Creates the folder `path` with every missing parent. True when the folder exists
// afterwards (also when it existed before); false when any level cannot be created, e.g. a
// file is in the way, the drive is missing or a name is one Windows cannot hold.
bool CreateFolderTree(std::u16string_view path);

// True when `path` itself is a symbolic link, a junction or another reparse point, whether
// or not what it points at exists; the link is not followed. The POSIX stand-in: lstat says
// it is a symbolic link. False when nothing is there.
bool IsLink(const std::u16string& path);

// Which folder `path` is once links and junctions are followed: two paths with equal
// identities name the same folder (volume serial and file index on Windows, device and inode
// in the stand-in). Nothing when the folder cannot be opened.
struct FolderIdentity {
  std::uint64_t volume = 0;
  std::uint64_t index = 0;
  bool operator==(const FolderIdentity&) const = default;
};
std::optional<FolderIdentity> IdentifyFolder(const std::u16string& path);

// --- Copying and deleting ---

// Copies `from` to `to`, replacing an existing `to` (CopyFileW with fail-if-exists off). Returns false
// when the copy fails (source missing, target not writable). Windows keeps the source's
// attributes and last-write time; the POSIX stand-in keeps the bytes only.
bool CopyFileReplacing(const std::u16string& from, const std::u16string& to);

// Puts the file `from` in the place of `to` in one step (MoveFileExW with
// MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH; POSIX stand-in: rename, then the folder
// synced): afterwards `to` names what was `from` and `from` is gone, or, when it fails, both
// are as they were; a reader never sees a mix of the two or no `to` at all. Both must lie in
// the same volume and neither may be open (Windows refuses to replace an open file). False
// when `from` is missing or a folder, `to` is a folder or read-only, or the move fails.
// kOnDisk returns only once the move itself is on the disk (an archive replaced by its update);
// kCached leaves that to the system, as every file written without a flush (an extracted file).
enum class MoveDurability { kOnDisk, kCached };
bool MoveFileReplacing(const std::u16string& from, const std::u16string& to,
                       MoveDurability durability = MoveDurability::kOnDisk);

// Deletes the file `path` (DeleteFileW). False when it does not exist, is a folder or cannot
// be deleted; a read-only file is not deleted (clear its attributes first, as on Windows).
bool DeleteFileAt(std::u16string_view path);

// Deletes one file, with the same promise as DeleteFileAt: false when it was not there, is a
// folder, is read-only or could not be deleted.
bool DeleteFileQuietly(const std::u16string& file);

// Deletes the entries of `folder` whose names match `mask` ("*.*" matches every name), for good (no
// recycle bin) and without asking (SHFileOperationW FO_DELETE with FOF_NOCONFIRMATION; FOF_FILESONLY
// unless `with_folders`, in which case matching subfolders go with everything in them, read-only
// files too). Returns whether the operation reported success; a folder with nothing matching is
// a success. A read-only file that the mask matches directly is not promised either way: the
// Win32 twin under Wine refuses it (error 5) and leaves the entries after it, the POSIX stand-in
// deletes it and goes on. `owner_window` (an HWND on Windows, ignored by the stand-in) owns any
// progress or error box the shell shows; nothing: no owner.
bool ShellDeleteFiles(const std::u16string& folder, const std::u16string& mask, bool with_folders,
                      void* owner_window = nullptr);

// --- Attributes and times ---

// The Windows attributes of a file or folder, or nothing when it cannot be read.
// POSIX stand-in: the value last set with SetFileAttributes is kept in the extended
// attribute "user.kv.attributes" where the file system allows it; otherwise (and before any
// set) it is derived: 0x10 for a folder, else 0x20 (archive); 0x01 when the owner has no
// write permission; 0x02 for a name beginning with ".". The read-only bit always follows the
// owner's write permission, which SetFileAttributes sets accordingly.
std::optional<std::uint32_t> GetFileAttributesAt(std::u16string_view path);

// Sets the attributes (the whole 32-bit value as given; 0 means "normal"). False on failure.
bool SetFileAttributesAt(std::u16string_view path, std::uint32_t attributes);

// The last-write time of a file as a local MS-DOS date-time: date in the high 16 bits, time
// in the low 16 bits, two-second resolution. Nothing when it cannot be read or the time is
// outside the DOS range (1980-2107).
std::optional<std::uint32_t> GetLastWriteDosTime(std::u16string_view path);

// Sets the last-write time of a file from a local MS-DOS date-time (as above); creation and
// access times are left alone. False on failure (including an invalid DOS value).
bool SetLastWriteDosTime(std::u16string_view path, std::uint32_t dos_date_time);

// --- Paths, the current folder, drives ---

// Full-path expansion with the rules of GetFullPathNameW: "/" becomes "\", "." and ".."
// components are resolved (never above the drive root or the share of a "\\server\share"
// path), a relative path is taken from the current folder, a path beginning with one "\"
// from the current drive, "X:name" from the current folder when X is the current drive and
// from X:\ otherwise, and trailing dots and spaces of the last component are removed. A
// trailing separator is kept. An empty path gives an empty result.
std::u16string FullPath(std::u16string_view path);

// The process's current folder (GetCurrentDirectoryW): no trailing "\" except at a drive
// root such as "Z:\".
std::u16string CurrentFolder();

// Changes the process's current folder. False when `path` is no folder.
bool SetCurrentFolder(std::u16string_view path);

// True when the file or folder lies on a removable drive: its drive letter is A or B, or the
// system reports the drive as removable. The POSIX stand-in has no removable drives.
bool IsRemovableDrive(std::u16string_view path);

}  // namespace kv::platform
