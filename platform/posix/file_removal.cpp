#include "platform/file_removal.h"

#include <unistd.h>

#include "platform/posix/native_path.h"

namespace kv::platform {

bool RemoveEmptyFolder(const std::u16string& path) {
  const auto native = posix::NativePath(path);
  return native && rmdir(native->c_str()) == 0;
}

bool DeleteAtRestart(const std::u16string&) { return false; }

}  // namespace kv::platform
