#pragma once
// What can be told about a library before it is registered, by reading its file and looking up
// its dependencies: its processor kind, whether it is a COM server, what it needs and what of
// that is missing, and, when it cannot be registered, why (`problem`).
#include <optional>
#include <string>
#include <vector>

#include "inspection/dependency_lookup.h"

namespace kv::inspection {

struct LibraryReport {
  std::u16string path;
  std::optional<Machine> machine;  // nothing when the file is no PE image
  bool dll = false;
  bool com_server = false;  // exports DllRegisterServer (forwarded counts)
  bool dotnet = false;
  std::vector<std::string> exports;  // which of DllRegisterServer, DllUnregisterServer, DllInstall
  std::vector<std::string> imports;  // imported and delay-loaded DLLs, each once, as written
  std::vector<std::string> missing;  // dependencies not found, the library's own and one level on
  std::u16string problem;            // why it cannot be registered; empty when nothing is known
  bool hostable = true;              // this Windows can run it (false: `problem` says why)
};

// Reads and judges the library at `path` (a full Windows path). Never throws.
LibraryReport InspectLibrary(const std::u16string& path, DependencyLookup& lookup);

// True when the Windows `layout` describes can run a library of `machine` (x86 Windows only
// x86; x64 Windows x86 and x64; ARM64 Windows all three; the stand-in counts as x64).
bool CanHost(Machine library, const platform::SystemLayout& layout);

// "x86", "x64", "arm64", "other".
const char* MachineName(Machine machine);

// The short verdict shown beside a library's name, e.g. "x64 COM server",
// "x86 — missing MSVCP140.dll", "not a COM server".
std::u16string Verdict(const LibraryReport& report);

}  // namespace kv::inspection
