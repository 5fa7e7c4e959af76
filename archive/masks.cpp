#include "archive/masks.h"

#include "archive/paths.h"
#include "archive/wildcard.h"

namespace kv::archive {
namespace {

bool StartsWithSeparator(std::u16string_view s, std::size_t at) {
  return s.size() > at && (s[at] == u'\\' || s[at] == u'/');
}

bool Contains(std::u16string_view text, std::u16string_view part) { return text.find(part) != std::u16string_view::npos; }

// The extension: from the last "." that no separator or ":" follows.
std::u16string_view Extension(std::u16string_view name) {
  const std::size_t at = name.find_last_of(u".\\/:");
  if (at == std::u16string_view::npos || name[at] != u'.') return {};
  return name.substr(at);
}

}  // namespace

ResolvedMask ResolveMask(std::u16string_view mask, std::u16string_view dir, std::u16string_view current_dir) {
  if (mask.empty()) return {};
  const std::u16string folder = ResolvePath(dir, u"", current_dir);
  const std::u16string r = IncludeTrailingBackslash(folder);
  if (StartsWithSeparator(mask, 0)) {
    if (mask.size() == 1) return {folder, false};
    if (StartsWithSeparator(mask, 1)) return {std::u16string(mask), false};
    return {r + std::u16string(mask.substr(1)), false};
  }
  if (mask.substr(0, 2) == u".\\") return {r + std::u16string(mask.substr(2)), false};
  if (Contains(mask, u":") || Contains(mask, u"..\\") || Contains(mask, u"../")) return {std::u16string(mask), false};
  return {r + std::u16string(mask), true};
}

bool MatchesMask(std::u16string_view path_in, std::u16string_view mask_in, bool is_folder, std::u16string_view base_dir,
                 std::u16string_view current_dir) {
  if (mask_in == u"*.*") return true;
  std::u16string path(path_in);
  std::u16string mask(mask_in);
  if (is_folder) {
    path = IncludeTrailingBackslash(path);
    if (!mask.empty() && mask.back() != u'*') mask = IncludeTrailingBackslash(mask);
  }
  const ResolvedMask resolved =
      Contains(mask, u":") ? ResolvedMask{mask, false} : ResolveMask(mask, current_dir, current_dir);
  const std::u16string& pattern = resolved.pattern;

  if (resolved.relative) {
    const std::u16string current = ResolvePath(current_dir, u"", current_dir);
    std::u16string name = RelativePath(path, current);
    const bool names_folder = Contains(mask, u"\\") || Contains(mask, u"/");
    if (!names_folder) name = std::u16string(FinalComponent(name));
    if (name.empty()) {
      std::u16string_view trimmed(path);
      if (!trimmed.empty() && (trimmed.back() == u'\\' || trimmed.back() == u'/')) trimmed.remove_suffix(1);
      name = std::u16string(FinalComponent(trimmed));
    }
    // A mask that names a folder is matched as a whole: its file-name part alone would let
    // "sub\\*.dll" take files of every other folder too, since "*" spans separators.
    if (!names_folder && WildcardMatch(name, FinalComponent(pattern))) return true;
    const std::u16string base = base_dir.empty() ? current : std::u16string(base_dir);
    return WildcardMatch(name, RelativePath(pattern, base));
  }

  const std::u16string path_folder = LowerAscii(FolderPart(path));
  const std::u16string pattern_folder = LowerAscii(FolderPart(pattern));
  if (path_folder == pattern_folder) return WildcardMatch(path, pattern);
  if (FinalComponent(pattern) == u"*.*")
    return path_folder.substr(0, pattern.size() - 3) == pattern_folder;
  return false;
}

bool NameMatchesMask(std::u16string_view name_in, std::u16string_view mask) {
  if (mask.empty()) return false;
  std::u16string m(mask);
  if (const std::size_t at = m.find(u"*.*"); at != std::u16string::npos) m.replace(at, 3, u"*");
  const bool no_extension_wanted = mask.back() == u'.';
  if (no_extension_wanted && !m.empty()) m.pop_back();
  std::u16string_view name(name_in);
  if (!name.empty() && name.back() == u'.') name.remove_suffix(1);
  if (!WildcardMatch(name, m)) return false;
  if (!no_extension_wanted) return true;
  const std::u16string_view extension = Extension(name_in);
  return extension.empty() || extension == u".";
}

}  // namespace kv::archive
