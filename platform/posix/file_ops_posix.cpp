// Whole-file operations in the POSIX stand-in.
#include <sys/stat.h>

#include <filesystem>
#include <string_view>
#include <system_error>

#include "platform/file_ops.h"
#include "platform/posix/native_path.h"
#include "platform/unicode.h"

namespace kv::platform {
namespace fs = std::filesystem;
namespace {

// The native path, or an empty one (which every call below fails on) outside drive Z:.
std::string Native(const std::u16string& path) { return posix::NativePath(path).value_or(std::string()); }

char16_t Fold(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

// "*" and "?" as the shell matches them, without regard to case.
bool Matches(std::u16string_view name, std::u16string_view mask) {
  if (mask.empty()) return name.empty();
  if (mask.front() == u'*') {
    for (std::size_t skip = 0; skip <= name.size(); ++skip)
      if (Matches(name.substr(skip), mask.substr(1))) return true;
    return false;
  }
  if (name.empty()) return false;
  if (mask.front() != u'?' && Fold(mask.front()) != Fold(name.front())) return false;
  return Matches(name.substr(1), mask.substr(1));
}

// A mask ending in ".*" also matches names without an extension, so "*.*" matches every name.
bool ShellMatches(std::u16string_view name, std::u16string_view mask) {
  if (Matches(name, mask)) return true;
  return mask.size() >= 2 && mask.substr(mask.size() - 2) == u".*" &&
         Matches(name, mask.substr(0, mask.size() - 2));
}

}  // namespace

bool CopyFileReplacing(const std::u16string& from, const std::u16string& to) {
  std::error_code error;
  return fs::copy_file(Native(from), Native(to), fs::copy_options::overwrite_existing, error) && !error;
}

bool ShellDeleteFiles(const std::u16string& folder, const std::u16string& mask, bool with_folders) {
  std::error_code error;
  fs::directory_iterator it(Native(folder), error);
  if (error) return false;
  bool all_deleted = true;
  for (const auto& entry : it) {
    if (!ShellMatches(Utf8ToUtf16(entry.path().filename().string()), mask)) continue;
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

bool DeleteFileQuietly(const std::u16string& file) {
  std::error_code error;
  const fs::path native = Native(file);
  if (fs::is_directory(fs::symlink_status(native, error))) return false;
  return fs::remove(native, error) && !error;
}

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

}  // namespace kv::platform
