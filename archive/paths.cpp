#include "archive/paths.h"

#include <vector>

#include "platform/file_system.h"

namespace kv::archive {
namespace {

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

std::size_t LastDelimiter(std::u16string_view path) { return path.find_last_of(u"\\/:"); }

// Folder names of a folder path after its drive part, empty names left out.
std::vector<std::u16string_view> FolderNames(std::u16string_view folder) {
  std::vector<std::u16string_view> names;
  std::size_t start = 0;
  while (start < folder.size()) {
    std::size_t end = folder.find_first_of(u"\\/", start);
    if (end == std::u16string_view::npos) end = folder.size();
    if (end > start) names.push_back(folder.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

// Where a stored name starts inside S: after the drive, or after the server of a network
// path, and after one separator.
std::size_t StoredNameStart(std::u16string_view s) {
  const std::size_t colon = s.find(u':');
  std::size_t start = colon == std::u16string_view::npos ? 0 : colon + 1;
  if (start >= s.size()) return s.size();
  if (colon == std::u16string_view::npos) {
    for (std::size_t i = 0; i + 1 < s.size(); ++i) {
      if (IsSeparator(s[i]) && IsSeparator(s[i + 1])) {
        const std::size_t next = s.find_first_of(u"\\/", i + 2);
        start = next == std::u16string_view::npos ? s.size() : next + 1;
        break;
      }
    }
  }
  if (start < s.size() && IsSeparator(s[start])) ++start;
  return start;
}

}  // namespace

std::u16string IncludeTrailingBackslash(std::u16string_view path) {
  std::u16string out(path);
  if (!out.empty() && !IsSeparator(out.back())) out += u'\\';
  return out;
}

std::u16string_view FinalComponent(std::u16string_view path) {
  const std::size_t at = LastDelimiter(path);
  return at == std::u16string_view::npos ? path : path.substr(at + 1);
}

std::u16string_view FolderPart(std::u16string_view path) {
  const std::size_t at = LastDelimiter(path);
  return at == std::u16string_view::npos ? std::u16string_view() : path.substr(0, at + 1);
}

std::u16string_view DrivePart(std::u16string_view path) {
  if (path.size() >= 2 && path[1] == u':') return path.substr(0, 2);
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    std::size_t end = path.find_first_of(u"\\/", 2);
    if (end != std::u16string_view::npos) end = path.find_first_of(u"\\/", end + 1);
    return path.substr(0, end == std::u16string_view::npos ? path.size() : end);
  }
  return {};
}

std::u16string LowerAscii(std::u16string_view text) {
  std::u16string out(text);
  for (auto& c : out)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  return out;
}

std::u16string ResolvePath(std::u16string_view dir, std::u16string_view file_name, std::u16string_view current_dir) {
  const std::u16string current = current_dir.empty() ? platform::CurrentFolder() : std::u16string(current_dir);
  const std::u16string d = IncludeTrailingBackslash(dir.empty() ? std::u16string_view(current) : dir);
  if (!file_name.empty()) {
    if (file_name.find(u':') != std::u16string_view::npos || file_name.substr(0, 2) == u"\\\\")
      return std::u16string(file_name);
    if (file_name[0] == u'\\') return platform::FullPath(file_name);
    return platform::FullPath(d + std::u16string(file_name));
  }
  if (dir.find(u':') != std::u16string_view::npos) return std::u16string(dir);
  if (dir.empty() || platform::FolderExists(d)) {
    if (d == u"\\") return IncludeTrailingBackslash(platform::CurrentFolder());
    return platform::FullPath(d);
  }
  return std::u16string(dir);
}

std::u16string RelativePath(std::u16string_view path, std::u16string_view base) {
  const std::u16string base_folder = IncludeTrailingBackslash(base);
  const std::u16string_view dest_folder = FolderPart(path);
  const std::u16string_view base_drive = DrivePart(base_folder);
  const std::u16string_view dest_drive = DrivePart(dest_folder);
  if (LowerAscii(base_drive) != LowerAscii(dest_drive)) return std::u16string(path);

  const auto base_names = FolderNames(std::u16string_view(base_folder).substr(base_drive.size()));
  const auto dest_names = FolderNames(dest_folder.substr(dest_drive.size()));
  std::size_t shared = 0;
  while (shared < base_names.size() && shared < dest_names.size() &&
         LowerAscii(base_names[shared]) == LowerAscii(dest_names[shared]))
    ++shared;
  std::u16string out;
  for (std::size_t i = shared; i < base_names.size(); ++i) out += u"..\\";
  for (std::size_t i = shared; i < dest_names.size(); ++i) {
    out.append(dest_names[i]);
    out.push_back(u'\\');
  }
  out.append(FinalComponent(path));
  return out;
}

std::u16string StoredName(std::u16string_view file_name, std::u16string_view base_dir, TKZStorePathMode store_path,
                          std::u16string_view current_dir) {
  const std::u16string b = ResolvePath(base_dir, u"", current_dir);
  std::u16string n = ResolvePath(b, file_name, current_dir);
  if (!n.empty() && IsSeparator(n.back())) n.pop_back();
  if (!n.empty() && n.back() == u'.') n.pop_back();

  std::u16string s;
  switch (store_path) {
    case spNoPath:
      s = FinalComponent(n);
      break;
    case spRelativePath:
      s = RelativePath(n, b);
      if (s.find(u"..\\") != std::u16string::npos || s.find(u"../") != std::u16string::npos) s = n;
      break;
    case spFullPath:
      s = n;
      break;
    case spFullPathWithDrive:
      s = platform::FullPath(n);
      break;
  }
  const std::size_t start = store_path == spFullPathWithDrive ? 0 : StoredNameStart(s);
  std::u16string out = s.substr(start);
  for (auto& c : out)
    if (c == u'\\') c = u'/';
  return out;
}

}  // namespace kv::archive
