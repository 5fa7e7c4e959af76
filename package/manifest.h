#pragma once
// The package manifest "mendkit.ini": section "mendKit" with the keys "defaultPath", "mkName" and
// "mkDesc", written by the package build and read by the installer through the platform's profile
// strings. Values are written as they stand, so only the first line of a description reads back.
#include <string>

namespace kv::package {

inline constexpr char16_t kManifestFileName[] = u"mendkit.ini";

struct Manifest {
  std::u16string default_path;
  std::u16string name;
  std::u16string description;
};

// "folder\mendkit.ini"; a folder ending in a backslash gets none added.
std::u16string ManifestPath(const std::u16string& folder);

// Writes the three keys into `file` in the order defaultPath, mkName, mkDesc, replacing each in place
// and keeping every other line. Throws PackageError "Unable to write to <file>" when a write is refused.
void WriteManifest(const std::u16string& file, const Manifest& manifest);

// Reads the manifest; a missing file or key gives `fallback_path`, "(Untitled)" and
// "(No description available)". Each value is cut at 2047 characters. Never throws.
Manifest ReadManifest(const std::u16string& file, const std::u16string& fallback_path);

// A memo's text as its lines, each followed by CR LF, the last one included ("" for an empty memo).
std::u16string MemoLinesText(const std::u16string& memo_text);

}  // namespace kv::package
