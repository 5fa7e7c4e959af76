#include "platform/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "platform/full_path_rules.h"
#include "platform/posix/native_path.h"
#include "platform/posix/wildcard.h"
#include "platform/unicode.h"

namespace kv::platform {
namespace fs = std::filesystem;
namespace {

// The native path, or an empty one (which every call below fails on) outside drive Z:.
std::string Native(const std::u16string& path) { return posix::NativePath(path).value_or(std::string()); }

// Windows will not delete a read-only file; here the owner's write permission stands for
// the read-only attribute (see GetFileAttributesAt).
bool IsReadOnly(const struct stat& st) { return (st.st_mode & S_IWUSR) == 0; }

constexpr const char* kAttributesXattr = "user.kv.attributes";
// Bits SetFileAttributes can change on Windows; the folder bit comes from the file system.
constexpr std::uint32_t kSettableAttributes = 0x00003127;

std::optional<struct stat> StatOf(std::u16string_view path) {
  const auto native = posix::NativePath(path);
  struct stat st {};
  if (!native || ::stat(native->c_str(), &st) != 0) return std::nullopt;
  return st;
}

std::optional<std::uint32_t> StoredAttributes(const std::string& native) {
  std::uint32_t value = 0;
  if (::getxattr(native.c_str(), kAttributesXattr, &value, sizeof value) != sizeof value) return std::nullopt;
  return value;
}

std::uint32_t DerivedAttributes(std::u16string_view path, const struct stat& st) {
  std::uint32_t attributes = S_ISDIR(st.st_mode) ? kAttrDirectory : kAttrArchive;
  const auto name_start = path.find_last_of(u"\\/", path.size() > 1 ? path.size() - 2 : 0);
  const auto name = path.substr(name_start == std::u16string_view::npos ? 0 : name_start + 1);
  if (!name.empty() && name[0] == u'.' && name != u"." && name != u".." ) attributes |= kAttrHidden;
  return attributes;
}

std::uint32_t ToDosDateTime(const std::tm& t) {
  const auto date = static_cast<std::uint32_t>(((t.tm_year - 80) << 9) | ((t.tm_mon + 1) << 5) | t.tm_mday);
  const auto time = static_cast<std::uint32_t>((t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec / 2));
  return (date << 16) | time;
}

std::optional<std::tm> FromDosDateTime(std::uint32_t dos) {
  std::tm t{};
  t.tm_year = static_cast<int>((dos >> 25) & 0x7F) + 80;
  t.tm_mon = static_cast<int>((dos >> 21) & 0x0F) - 1;
  t.tm_mday = static_cast<int>((dos >> 16) & 0x1F);
  t.tm_hour = static_cast<int>((dos >> 11) & 0x1F);
  t.tm_min = static_cast<int>((dos >> 5) & 0x3F);
  t.tm_sec = static_cast<int>(dos & 0x1F) * 2;
  if (t.tm_mon < 0 || t.tm_mon > 11 || t.tm_mday < 1 || t.tm_hour > 23 || t.tm_min > 59 || t.tm_sec > 59)
    return std::nullopt;
  t.tm_isdst = -1;
  return t;
}

}  // namespace

bool FileExists(const std::u16string& path) {
  struct stat info {};
  return ::stat(Native(path).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool FolderExists(const std::u16string& path) {
  struct stat info {};
  return ::stat(Native(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool CreateFolder(const std::u16string& path) {
  return ::mkdir(Native(path).c_str(), 0755) == 0 || FolderExists(path);
}

bool CreateFolderTree(std::u16string_view path) {
  if (!posix::NativePathForCreate(path)) return false;
  const auto native = posix::NativePath(path);
  if (!native) return false;
  // Create each level from the root down; an existing folder is fine, anything else is not.
  std::size_t pos = 1;
  while (pos <= native->size()) {
    std::size_t end = native->find('/', pos);
    if (end == std::string::npos) end = native->size();
    const std::string level = native->substr(0, end);
    struct stat st {};
    if (::stat(level.c_str(), &st) == 0) {
      if (!S_ISDIR(st.st_mode)) return false;
    } else if (::mkdir(level.c_str(), 0777) != 0 && errno != EEXIST) {
      return false;
    }
    pos = end + 1;
  }
  return FolderExists(std::u16string(path));
}

bool IsLink(const std::u16string& path) {
  struct stat info {};
  const auto native = posix::NativePath(path);
  return native && ::lstat(native->c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

std::optional<FolderIdentity> IdentifyFolder(const std::u16string& path) {
  struct stat info {};
  const auto native = posix::NativePath(path);
  if (!native || ::stat(native->c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return std::nullopt;
  return FolderIdentity{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

bool CopyFileReplacing(const std::u16string& from, const std::u16string& to) {
  std::error_code error;
  return fs::copy_file(Native(from), Native(to), fs::copy_options::overwrite_existing, error) && !error;
}

bool MoveFileReplacing(const std::u16string& from, const std::u16string& to, MoveDurability durability) {
  const auto source = posix::NativePath(from);
  const auto target = posix::NativePath(to);
  struct stat st {};
  if (!source || !target || ::stat(source->c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  // MoveFileExW refuses to replace a folder or a read-only file; rename would take either.
  if (::stat(target->c_str(), &st) == 0 && (S_ISDIR(st.st_mode) || IsReadOnly(st))) return false;
  if (::rename(source->c_str(), target->c_str()) != 0) return false;
  if (durability == MoveDurability::kCached) return true;
  // The new name is only durable once the folder's entry is on the disk.
  const std::string folder = fs::path(*target).parent_path().string();
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
  return true;
}

bool DeleteFileAt(std::u16string_view path) {
  const auto native = posix::NativePath(path);
  struct stat st {};
  if (!native || ::stat(native->c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  if (IsReadOnly(st)) return false;
  return ::unlink(native->c_str()) == 0;
}

bool DeleteFileQuietly(const std::u16string& file) {
  std::error_code error;
  const fs::path native = Native(file);
  if (fs::is_directory(fs::symlink_status(native, error))) return false;
  struct stat st {};
  if (::stat(native.c_str(), &st) == 0 && IsReadOnly(st)) return false;
  return fs::remove(native, error) && !error;
}

bool ShellDeleteFiles(const std::u16string& folder, const std::u16string& mask, bool with_folders, void*) {
  std::error_code error;
  fs::directory_iterator it(Native(folder), error);
  if (error) return false;
  bool all_deleted = true;
  for (const auto& entry : it) {
    const std::u16string name = Utf8ToUtf16(entry.path().filename().string());
    if (!posix::MatchesWildcard(name, mask, posix::DotStar::AlsoNoExtension)) continue;
    std::error_code entry_error;
    const bool is_folder = entry.is_directory(entry_error) && !entry.is_symlink(entry_error);
    if (is_folder && !with_folders) continue;
    if (is_folder)
      fs::remove_all(entry.path(), entry_error);
    else
      fs::remove(entry.path(), entry_error);
    if (entry_error) all_deleted = false;
  }
  return all_deleted;
}

std::optional<std::uint32_t> GetFileAttributesAt(std::u16string_view path) {
  const auto native = posix::NativePath(path);
  struct stat st {};
  if (!native || ::stat(native->c_str(), &st) != 0) return std::nullopt;
  std::uint32_t attributes = DerivedAttributes(path, st);
  if (const auto stored = StoredAttributes(*native)) {
    attributes = (*stored & kSettableAttributes) | (S_ISDIR(st.st_mode) ? kAttrDirectory : 0);
    if (attributes == 0) attributes = kAttrNormal;
  }
  if (!S_ISDIR(st.st_mode)) {
    attributes &= ~kAttrReadOnly;
    if ((st.st_mode & S_IWUSR) == 0) attributes |= kAttrReadOnly;
    if (attributes == 0) attributes = kAttrNormal;
  }
  return attributes;
}

bool SetFileAttributesAt(std::u16string_view path, std::uint32_t attributes) {
  const auto native = posix::NativePath(path);
  struct stat st {};
  if (!native || ::stat(native->c_str(), &st) != 0) return false;
  if (!S_ISDIR(st.st_mode)) {
    const mode_t mode = (attributes & kAttrReadOnly) ? (st.st_mode & ~(S_IWUSR | S_IWGRP | S_IWOTH))
                                                     : (st.st_mode | S_IWUSR);
    if (::chmod(native->c_str(), mode & 07777) != 0) return false;
  }
  const std::uint32_t stored = attributes & kSettableAttributes;
  ::setxattr(native->c_str(), kAttributesXattr, &stored, sizeof stored, 0);  // kept where possible
  return true;
}

std::optional<std::uint32_t> GetLastWriteDosTime(std::u16string_view path) {
  const auto st = StatOf(path);
  if (!st) return std::nullopt;
  std::tm local{};
  const std::time_t seconds = st->st_mtim.tv_sec;
  if (!::localtime_r(&seconds, &local)) return std::nullopt;
  if (local.tm_year < 80 || local.tm_year > 207) return std::nullopt;
  return ToDosDateTime(local);
}

bool SetLastWriteDosTime(std::u16string_view path, std::uint32_t dos_date_time) {
  const auto native = posix::NativePath(path);
  auto local = FromDosDateTime(dos_date_time);
  if (!native || !local) return false;
  const std::time_t seconds = std::mktime(&*local);
  if (seconds == static_cast<std::time_t>(-1)) return false;
  const struct timespec times[2] = {{0, UTIME_OMIT}, {seconds, 0}};
  return ::utimensat(AT_FDCWD, native->c_str(), times, 0) == 0;
}

std::u16string FullPath(std::u16string_view path) { return ExpandFullPath(path, posix::CurrentWindowsFolder()); }

std::u16string CurrentFolder() { return posix::CurrentWindowsFolder(); }

bool SetCurrentFolder(std::u16string_view path) {
  const auto native = posix::NativePath(path);
  return native && ::chdir(native->c_str()) == 0;
}

bool IsRemovableDrive(std::u16string_view path) {
  const auto full = FullPath(path);
  return full.size() >= 2 && full[1] == u':' &&
         (full[0] == u'A' || full[0] == u'a' || full[0] == u'B' || full[0] == u'b');
}

}  // namespace kv::platform
