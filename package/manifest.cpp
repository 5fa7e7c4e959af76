#include "package/manifest.h"

#include <utility>

#include "package/errors.h"
#include "platform/profile.h"

namespace kv::package {
namespace {

constexpr char16_t kSection[] = u"mendKit";
constexpr char16_t kDefaultPathKey[] = u"defaultPath";
constexpr char16_t kNameKey[] = u"mkName";
constexpr char16_t kDescriptionKey[] = u"mkDesc";
constexpr char16_t kDescriptionTextKey[] = u"mkDescText";
// The reader's buffer: 2048 characters, terminator included.
constexpr std::size_t kValueCapacity = 2048;

bool IsBreak(char16_t c) { return c == u'\r' || c == u'\n'; }

// The profile reader trims blanks and strips quotes around a value, so at either end they are
// written as a letter: "\\s", "\\t", "\\q", "\\a".
constexpr std::pair<char16_t, char16_t> kEndEscapes[] = {
    {u' ', u's'}, {u'\t', u't'}, {u'"', u'q'}, {u'\'', u'a'}};

std::u16string Escaped(const std::u16string& text) {
  std::u16string value;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (IsBreak(c)) {
      if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      value += u"\\n";
    } else if (c == u'\\') {
      value += u"\\\\";
    } else {
      const bool at_end = i == 0 || i + 1 == text.size();
      char16_t letter = 0;
      for (const auto& [plain, escape] : kEndEscapes)
        if (at_end && c == plain) letter = escape;
      if (letter != 0) {
        value += u'\\';
        value += letter;
      } else {
        value += c;
      }
    }
  }
  return value;
}

std::u16string Unescaped(const std::u16string& value) {
  std::u16string text;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != u'\\' || i + 1 == value.size()) {
      text += value[i];
    } else if (value[++i] == u'n') {
      text += u"\r\n";
    } else {
      char16_t plain = value[i];
      for (const auto& [character, escape] : kEndEscapes)
        if (value[i] == escape) plain = character;
      text += plain;
    }
  }
  return text;
}

std::u16string FirstLine(const std::u16string& text) { return text.substr(0, text.find_first_of(u"\r\n")); }

}  // namespace

std::u16string ManifestPath(const std::u16string& folder) {
  if (!folder.empty() && folder.back() == u'\\') return folder + kManifestFileName;
  return folder + u"\\" + kManifestFileName;
}

void WriteManifest(const std::u16string& file, const Manifest& manifest) {
  const std::u16string first_line = FirstLine(manifest.description);
  const std::u16string text = Escaped(manifest.description);
  const std::pair<const char16_t*, const std::u16string*> keys[] = {{kDefaultPathKey, &manifest.default_path},
                                                                    {kNameKey, &manifest.name},
                                                                    {kDescriptionKey, &first_line},
                                                                    {kDescriptionTextKey, &text}};
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
  // No escaped value is a lone backslash: a written backslash is always followed by another character.
  constexpr char16_t kAbsent[] = u"\\";
  const std::u16string text =
      platform::ReadProfileValue(file, kSection, kDescriptionTextKey, kAbsent, kValueCapacity);
  if (text != kAbsent) manifest.description = Unescaped(text);
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

std::vector<std::u16string> DescriptionLines(const std::u16string& description) {
  std::vector<std::u16string> lines;
  const std::u16string text = MemoLinesText(description);
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find(u"\r\n", start);
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

}  // namespace kv::package
