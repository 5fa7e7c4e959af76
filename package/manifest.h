#pragma once
// The package manifest "mendkit.ini": section "mendKit" with the keys "defaultPath", "mkName",
// "mkDesc" and "mkDescText", written by the package build and read by the installer through the
// platform's profile strings. A profile value holds one line, so "mkDesc" carries the description's
// first line (all that installers before "mkDescText" read) and "mkDescText" the whole text with
// its line breaks written as "\n" and a backslash as "\\" (a space, tab or quote at either end
// is written as "\s", "\t", "\q" or "\a", since the profile reader would drop it).
#include <string>
#include <vector>

namespace kv::package {

inline constexpr char16_t kManifestFileName[] = u"mendkit.ini";

struct Manifest {
  std::u16string default_path;
  std::u16string name;
  std::u16string description;
};

// "folder\mendkit.ini"; a folder ending in a backslash gets none added.
std::u16string ManifestPath(const std::u16string& folder);

// Writes the keys into `file` in the order defaultPath, mkName, mkDesc, mkDescText, replacing each in
// place and keeping every other line. Throws PackageError "Unable to write to <file>" when a write
// is refused.
void WriteManifest(const std::u16string& file, const Manifest& manifest);

// Reads the manifest; a missing file or key gives `fallback_path`, "(Untitled)" and
// "(No description available)". The description is the whole text of "mkDescText", with CR LF
// line breaks, or, in a manifest without that key, the first line that "mkDesc" holds. Each value
// is cut at 2047 characters. Never throws.
Manifest ReadManifest(const std::u16string& file, const std::u16string& fallback_path);

// A memo's text as its lines, each followed by CR LF, the last one included ("" for an empty memo).
std::u16string MemoLinesText(const std::u16string& memo_text);

// The lines of a description as the installer shows them: split at CR LF, a lone CR or LF; the
// break that ends the last line adds no empty line.
std::vector<std::u16string> DescriptionLines(const std::u16string& description);

}  // namespace kv::package
