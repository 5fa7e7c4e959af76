#include "package/manifest.h"

#include "package/errors.h"
#include "platform/profile.h"

namespace kv::package {
namespace {

constexpr char16_t kSection[] = u"mendKit";
constexpr char16_t kDefaultPathKey[] = u"defaultPath";
constexpr char16_t kNameKey[] = u"mkName";
constexpr char16_t kDescriptionKey[] = u"mkDesc";
// The reader's buffer: 2048 characters, terminator included.
constexpr std::size_t kValueCapacity = 2048;

}  // namespace

std::u16string ManifestPath(const std::u16string& folder) {
  if (!folder.empty() && folder.back() == u'\\') return folder + kManifestFileName;
  return folder + u"\\" + kManifestFileName;
}

void WriteManifest(const std::u16string& file, const Manifest& manifest) {
  const std::pair<const char16_t*, const std::u16string*> keys[] = {{kDefaultPathKey, &manifest.default_path},
                                                                    {kNameKey, &manifest.name},
                                                                    {kDescriptionKey, &manifest.description}};
  for (const auto& [key, value] : keys)
    if (!platform::WriteProfileValue(file, kSection, key, *value))
      throw PackageError(u"Unable to write to " + file);
}

Manifest ReadManifest(const std::u16string& file, const std::u16string& fallback_path) {
  Manifest manifest;
  manifest.default_path =
      platform::ReadProfileValue(file, kSection, kDefaultPathKey, fallback_path, kValueCapacity);
  manifest.description = platform::ReadProfileValue(file, kSection, kDescriptionKey,
                                                    u"(No description available)", kValueCapacity);
  manifest.name = platform::ReadProfileValue(file, kSection, kNameKey, u"(Untitled)", kValueCapacity);
  return manifest;
}

std::u16string MemoLinesText(const std::u16string& memo_text) {
  std::u16string text;
  std::size_t start = 0;
  while (start < memo_text.size()) {
    std::size_t end = memo_text.find_first_of(u"\r\n", start);
    if (end == std::u16string::npos) end = memo_text.size();
    text += memo_text.substr(start, end - start) + u"\r\n";
    // One line break is CR LF, a lone CR or a lone LF.
    if (end < memo_text.size() && memo_text[end] == u'\r' && end + 1 < memo_text.size() &&
        memo_text[end + 1] == u'\n')
      ++end;
    start = end + 1;
  }
  return text;
}

}  // namespace kv::package
