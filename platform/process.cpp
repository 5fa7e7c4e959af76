#include "platform/process.h"

namespace kv::platform {

StartedProcess& StartedProcess::operator=(StartedProcess&& other) noexcept {
  if (this != &other) {
    Release();
    id_ = other.id_;
    exit_code_ = other.exit_code_;
    other.id_ = kNone;
  }
  return *this;
}

StartedProcess::~StartedProcess() { Release(); }

std::vector<std::u16string> SplitCommandLine(std::u16string_view text) {
  std::vector<std::u16string> arguments;
  size_t i = 0;
  const auto blank = [&](size_t k) { return text[k] == u' ' || text[k] == u'\t'; };
  while (true) {
    while (i < text.size() && blank(i)) ++i;
    if (i >= text.size()) break;
    std::u16string argument;
    bool quoted = false;
    while (i < text.size() && (quoted || !blank(i))) {
      if (text[i] == u'\\') {
        size_t backslashes = 0;
        while (i < text.size() && text[i] == u'\\') ++backslashes, ++i;
        if (i < text.size() && text[i] == u'"') {
          argument.append(backslashes / 2, u'\\');
          if (backslashes % 2 == 1) argument.push_back(u'"'), ++i;
        } else {
          argument.append(backslashes, u'\\');
        }
      } else if (text[i] == u'"') {
        if (quoted && i + 1 < text.size() && text[i + 1] == u'"') {
          argument.push_back(u'"');
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else {
        argument.push_back(text[i++]);
      }
    }
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

}  // namespace kv::platform
