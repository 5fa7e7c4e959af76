#include "tools/kolvane-cli/cli_support.h"

#include <cstdio>
#include <exception>

#include "platform/code_pages.h"
#include "platform/unicode.h"

namespace kv::cli {

std::u16string PathArgument(const std::string& argument) { return platform::Utf8ToUtf16(argument); }

void ReportError(const std::string& subject, const std::string& message) {
  std::fprintf(stderr, "kolvane-cli: %s: %s\n", Escaped(subject).c_str(), Escaped(message).c_str());
}

std::unique_ptr<CliArchive> OpenForReading(const std::string& path) {
  auto zip = std::make_unique<CliArchive>();
  zip->SetFileName(PathArgument(path));
  try {
    zip->OpenArchive(0x40);  // read, others may do anything
    return zip;
  } catch (const std::exception& error) {
    ReportError(path, error.what());
  }
  return nullptr;
}

std::string Utf8(const std::u16string& text) { return platform::Utf16ToUtf8(text); }

std::string CommentText(const std::string& bytes) {
  if (platform::IsValidUtf8(bytes)) return bytes;
  return platform::Utf16ToUtf8(platform::FromOem(bytes));
}

std::string Escaped(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size());
  const auto escape = [&out](unsigned code) {
    char text[12];
    std::snprintf(text, sizeof text, "\\x%02x", code);
    out += text;
  };
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    const auto next = i + 1 < utf8.size() ? static_cast<unsigned char>(utf8[i + 1]) : 0u;
    if (byte < 0x20 || byte == 0x7F) {
      escape(byte);
    } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {  // U+0080-U+009F
      escape(next);
      ++i;
    } else {
      out += static_cast<char>(byte);
    }
  }
  return out;
}

std::string Shown(const std::u16string& name) { return Escaped(Utf8(name)); }

}  // namespace kv::cli
