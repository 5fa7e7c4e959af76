#include "platform/full_path_rules.h"

#include <vector>

namespace kv::platform {
namespace {

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

bool IsDriveLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

bool HasDrive(std::u16string_view p) { return p.size() >= 2 && IsDriveLetter(p[0]) && p[1] == u':'; }

char16_t Upper(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }

// Length of the "\\server\share" prefix of a network path (separators already "\").
std::size_t NetworkRootLength(std::u16string_view p) {
  std::size_t end = p.find(u'\\', 2);  // end of the server name
  if (end == std::u16string_view::npos) return p.size();
  end = p.find(u'\\', end + 1);  // end of the share name
  return end == std::u16string_view::npos ? p.size() : end;
}

// Trailing dots and spaces are not part of a Windows name.
void TrimLastComponent(std::u16string& name) {
  if (name == u"." || name == u"..") return;
  while (!name.empty() && (name.back() == u'.' || name.back() == u' ')) name.pop_back();
}

// Joins root and the components of `rest`, resolving "." and ".." without rising above root.
std::u16string Collapse(std::u16string_view root, std::u16string_view rest) {
  std::vector<std::u16string> parts;
  std::size_t start = 0;
  const bool trailing = !rest.empty() && rest.back() == u'\\';
  while (start <= rest.size()) {
    std::size_t end = rest.find(u'\\', start);
    if (end == std::u16string_view::npos) end = rest.size();
    std::u16string part(rest.substr(start, end - start));
    const bool last = end == rest.size();
    if (last) TrimLastComponent(part);
    if (part == u"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != u".") {
      parts.push_back(std::move(part));
    }
    start = end + 1;
  }
  std::u16string out(root);
  for (const auto& part : parts) {
    out.push_back(u'\\');
    out.append(part);
  }
  if (parts.empty() || trailing) out += u'\\';
  return out;
}

// `folder` (a full path) followed by a separator and `rest`.
std::u16string Join(std::u16string_view folder, std::u16string_view rest) {
  std::u16string joined;
  joined.reserve(folder.size() + rest.size() + 1);
  joined.append(folder);
  joined.push_back(u'\\');
  joined.append(rest);
  return joined;
}

}  // namespace

std::u16string_view PathRoot(std::u16string_view p) {
  if (HasDrive(p)) return p.substr(0, 2);
  if (p.size() >= 2 && IsSeparator(p[0]) && IsSeparator(p[1])) return p.substr(0, NetworkRootLength(p));
  return {};
}

std::u16string ExpandFullPath(std::u16string_view path, std::u16string_view current_folder) {
  if (path.empty()) return {};
  std::u16string p(path);
  for (auto& c : p)
    if (c == u'/') c = u'\\';
  const std::u16string_view view(p);
  const std::u16string_view current_root = PathRoot(current_folder);
  const std::u16string_view current_rest = current_folder.substr(current_root.size());

  if (view.size() >= 2 && view[0] == u'\\' && view[1] == u'\\') {
    const std::size_t root_length = NetworkRootLength(view);
    return Collapse(view.substr(0, root_length), view.substr(root_length));
  }
  if (HasDrive(view)) {
    const std::u16string_view rest = view.substr(2);
    if (!rest.empty() && rest[0] == u'\\') return Collapse(view.substr(0, 2), rest);
    // "X:name" continues the current folder of drive X; only the process's own drive has one.
    if (HasDrive(current_root) && Upper(current_root[0]) == Upper(view[0]))
      return Collapse(current_root, Join(current_rest, rest));
    return Collapse(view.substr(0, 2), Join(u"", rest));
  }
  if (view[0] == u'\\') return Collapse(current_root, view);
  return Collapse(current_root, Join(current_rest, view));
}

}  // namespace kv::platform
