#include <cerrno>
#include <filesystem>
#include <system_error>

#include "platform/errors.h"
#include "platform/program_path.h"
#include "platform/unicode.h"

namespace kv::platform {

std::u16string ProgramPath() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error)
    throw PlatformError("Cannot find the program's own file", static_cast<std::uint32_t>(error.value()));
  std::u16string path = u"Z:" + Utf8ToUtf16(self.string());
  for (char16_t& c : path)
    if (c == u'/') c = u'\\';
  return path;
}

}  // namespace kv::platform
