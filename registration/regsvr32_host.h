#pragma once
// Which regsvr32 registers a library of a given processor kind on the running Windows. A
// library is registered by the regsvr32 of its own bitness, since regsvr32 loads it.
#include <optional>
#include <string>

#include "platform/system_layout.h"

namespace kv::registration {

struct Regsvr32Host {
  std::u16string program;            // full path, or the bare "regsvr32" on the stand-in
  bool without_redirection = false;  // start it with WOW64 file-system redirection off
};

// 32-bit Windows: System32\regsvr32.exe for x86 libraries. 64-bit Windows: SysWOW64's for x86,
// Sysnative's for 64-bit ones (System32's with redirection off where this process sees no
// Sysnative). The stand-in (no Windows folder) names the bare "regsvr32", found on PATH.
// Nothing when this Windows cannot run the library (inspection::CanHost).
std::optional<Regsvr32Host> Regsvr32For(platform::Machine library, const platform::SystemLayout& layout);

}  // namespace kv::registration
