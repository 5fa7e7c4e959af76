// Profile files in the POSIX stand-in, following the rules of the Windows profile functions.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/code_pages.h"
#include "platform/posix/native_path.h"
#include "platform/profile.h"
#include "platform/unicode.h"

namespace kv::platform {
namespace {

enum class Encoding { Ansi, Utf16 };

struct ProfileText {
  Encoding encoding = Encoding::Ansi;
  std::vector<std::u16string> lines;  // without line ends
};

// The bytes of a regular file; nothing when it is missing, not a file or unreadable.
std::optional<std::string> ReadBytes(const std::string& native) {
  struct stat info {};
  if (::stat(native.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  try {
    std::ifstream in(native, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return bytes;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::u16string DecodeUtf16(std::string_view bytes) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
    text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                         static_cast<unsigned char>(bytes[i + 1]) << 8));
  return text;
}

std::string EncodeUtf16(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

ProfileText Parse(const std::string& bytes) {
  ProfileText profile;
  std::u16string text;
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    profile.encoding = Encoding::Utf16;
    text = DecodeUtf16(std::string_view(bytes).substr(2));
  } else {
    text = FromAnsi(bytes);
  }
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(u'\n', start);
    if (end == std::u16string::npos) end = text.size();
    std::u16string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == u'\r') line.pop_back();
    profile.lines.push_back(std::move(line));
    start = end + 1;
  }
  return profile;
}

char16_t Fold(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

bool SameName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Fold(a[i]) != Fold(b[i])) return false;
  return true;
}

std::u16string_view Trim(std::u16string_view s) {
  const auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

// The section name of a "[name]" line, or nothing for other lines.
std::optional<std::u16string_view> SectionName(std::u16string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != u'[') return std::nullopt;
  const std::size_t close = line.find(u']');
  if (close == std::u16string_view::npos) return std::nullopt;
  return Trim(line.substr(1, close - 1));
}

bool IsKeyLine(std::u16string_view line, std::u16string_view key) {
  const std::size_t eq = line.find(u'=');
  return eq != std::u16string_view::npos && SameName(Trim(line.substr(0, eq)), key);
}

// Index of the section line, or nothing.
std::optional<std::size_t> FindSection(const ProfileText& profile, std::u16string_view section) {
  for (std::size_t i = 0; i < profile.lines.size(); ++i) {
    const auto name = SectionName(profile.lines[i]);
    if (name && SameName(*name, section)) return i;
  }
  return std::nullopt;
}

// One past the section's last line: the next section line or the end of the file.
std::size_t SectionEnd(const ProfileText& profile, std::size_t section_line) {
  std::size_t i = section_line + 1;
  while (i < profile.lines.size() && !SectionName(profile.lines[i])) ++i;
  return i;
}

std::optional<std::size_t> FindKey(const ProfileText& profile, std::size_t section_line,
                                   std::u16string_view key) {
  const std::size_t end = SectionEnd(profile, section_line);
  for (std::size_t i = section_line + 1; i < end; ++i)
    if (IsKeyLine(profile.lines[i], key)) return i;
  return std::nullopt;
}

void SetKey(ProfileText& profile, const std::u16string& section, const std::u16string& key,
            const std::u16string& value) {
  const std::u16string entry = key + u"=" + value;
  const auto section_line = FindSection(profile, section);
  if (!section_line) {
    profile.lines.push_back(u"[" + section + u"]");
    profile.lines.push_back(entry);
    return;
  }
  if (const auto key_line = FindKey(profile, *section_line, key)) {
    // The key keeps the spelling it has in the file.
    std::u16string& line = profile.lines[*key_line];
    line = std::u16string(Trim(std::u16string_view(line).substr(0, line.find(u'=')))) + u"=" + value;
    return;
  }
  // After the section's last non-blank line, so a blank line before the next section stays there.
  std::size_t insert_at = SectionEnd(profile, *section_line);
  while (insert_at > *section_line + 1 && Trim(profile.lines[insert_at - 1]).empty()) --insert_at;
  profile.lines.insert(profile.lines.begin() + static_cast<std::ptrdiff_t>(insert_at), entry);
}

std::string Serialise(const ProfileText& profile) {
  std::u16string text;
  for (const auto& line : profile.lines) text += line + u"\r\n";
  return profile.encoding == Encoding::Utf16 ? EncodeUtf16(text) : ToAnsi(text);
}

std::u16string Unquote(std::u16string_view value) {
  if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return std::u16string(value);
}

}  // namespace

bool WriteProfileValue(const std::u16string& file, const std::u16string& section, const std::u16string& key,
                       const std::u16string& value) {
  const std::string native = posix::NativePath(file).value_or(std::string());
  ProfileText profile;
  if (::access(native.c_str(), F_OK) == 0) {
    if (::access(native.c_str(), W_OK) != 0) return false;  // a read-only file stays as it is
    const auto bytes = ReadBytes(native);
    if (!bytes) return false;
    profile = Parse(*bytes);
  }
  SetKey(profile, section, key, value);
  // Written to a sibling first and renamed over, so a failed write leaves the old file whole.
  const std::string temp = native + ".kvtmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    const std::string bytes = Serialise(profile);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::remove(temp.c_str());
      return false;
    }
  }
  if (std::rename(temp.c_str(), native.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

std::u16string ReadProfileValue(const std::u16string& file, const std::u16string& section,
                                const std::u16string& key, const std::u16string& fallback,
                                std::size_t capacity) {
  std::u16string result = fallback;
  if (const auto bytes = ReadBytes(posix::NativePath(file).value_or(std::string()))) {
    const ProfileText profile = Parse(*bytes);
    if (const auto section_line = FindSection(profile, section))
      if (const auto key_line = FindKey(profile, *section_line, key)) {
        const std::u16string_view line = profile.lines[*key_line];
        result = Unquote(Trim(line.substr(line.find(u'=') + 1)));
      }
  }
  if (capacity == 0) return {};
  if (result.size() > capacity - 1) result.resize(capacity - 1);
  return result;
}

}  // namespace kv::platform
