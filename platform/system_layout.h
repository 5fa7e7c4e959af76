#pragma once
// Facts about the running Windows that decide where libraries of each processor kind are
// found and which regsvr32 may register them. Reading them never throws.
//
// Win32: the native machine comes from IsWow64Process2 where the system has it (looked up at
// run time), otherwise from IsWow64Process (a WOW64 process means x64 Windows); the Windows
// folder from GetWindowsDirectoryW (the real one, also inside WOW64); Sysnative is the
// virtual folder through which a 32-bit process reaches the 64-bit system folder, and it is
// reported as present only when this process sees it (GetFileAttributesW); PATH is split at
// ";", quotes removed, empty entries dropped.
// POSIX stand-in: there is no Windows tree. The machine is x64, the Windows folder is empty,
// there is no Sysnative and no PATH folder (the native PATH holds no Windows libraries); a
// bare "regsvr32" is found on the native PATH (platform/process.h).
#include <string>
#include <vector>

#include "platform/machine.h"

namespace kv::platform {

struct SystemLayout {
  Machine native_machine = Machine::x86;     // the processor kind of Windows itself
  std::u16string windows_folder;             // e.g. "C:\Windows", no trailing "\"; empty: none
  bool has_sysnative = false;                // windows_folder + "\Sysnative" is visible here
  std::vector<std::u16string> path_folders;  // the PATH entries, in order
};

SystemLayout CurrentSystemLayout();

}  // namespace kv::platform
