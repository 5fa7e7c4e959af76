#include "tools/kolvane-cli/cli_support.h"

#include <cstdio>
#include <exception>

#include "platform/code_pages.h"
#include "platform/unicode.h"

namespace kv::cli {

std::u16string PathArgument(const std::string& argument) { return platform::Utf8ToUtf16(argument); }

void ReportError(const std::string& subject, const std::string& message) {
  std::fprintf(stderr, "kolvane-cli: %s: %s\n", subject.c_str(), message.c_str());
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

}  // namespace kv::cli
