#include "registration/regsvr32_host.h"

#include "inspection/library_report.h"

namespace kv::registration {

std::optional<Regsvr32Host> Regsvr32For(platform::Machine library, const platform::SystemLayout& layout) {
  using platform::Machine;
  if (!inspection::CanHost(library, layout)) return std::nullopt;
  if (layout.windows_folder.empty()) return Regsvr32Host{u"regsvr32"};
  const std::u16string& windows = layout.windows_folder;
  if (layout.native_machine == Machine::x86) return Regsvr32Host{windows + u"\\System32\\regsvr32.exe"};
  if (library == Machine::x86) return Regsvr32Host{windows + u"\\SysWOW64\\regsvr32.exe"};
  if (layout.has_sysnative) return Regsvr32Host{windows + u"\\Sysnative\\regsvr32.exe"};
  return Regsvr32Host{windows + u"\\System32\\regsvr32.exe", true};
}

}  // namespace kv::registration
