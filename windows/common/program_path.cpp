#include "windows/common/program_path.h"

#include "platform/program_path.h"

namespace kv::ui::win32 {

std::u16string ProgramPath() { return platform::ProgramPath(); }

std::u16string ProgramFolder() {
  const std::u16string path = ProgramPath();
  return path.substr(0, path.find_last_of(u'\\') + 1);
}

}  // namespace kv::ui::win32
