#include "platform/text_file.h"

#include "platform/code_pages.h"

namespace kv::platform {

std::string AnsiLinesBytes(const std::vector<std::u16string>& lines) {
  std::string bytes;
  for (const auto& line : lines) {
    bytes += ToAnsi(line);
    bytes += "\r\n";
  }
  return bytes;
}

}  // namespace kv::platform
