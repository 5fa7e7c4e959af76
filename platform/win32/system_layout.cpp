#include <windows.h>

#include <vector>

#include "platform/system_layout.h"
#include "platform/win32/kernel32_function.h"
#include "platform/win32/wide_text.h"

namespace kv::platform {
namespace {

Machine FromImageMachine(USHORT machine) {
  switch (machine) {
    case IMAGE_FILE_MACHINE_I386:
      return Machine::x86;
    case IMAGE_FILE_MACHINE_AMD64:
      return Machine::x64;
    case 0xAA64:
      return Machine::arm64;  // IMAGE_FILE_MACHINE_ARM64, missing from older headers
    default:
      return Machine::other;
  }
}

// The machine this program itself was built for: the native one when it does not run in WOW64.
constexpr Machine kOwnMachine =
#if defined(_M_ARM64) || defined(__aarch64__)
    Machine::arm64;
#elif defined(_WIN64)
    Machine::x64;
#else
    Machine::x86;
#endif

Machine NativeMachine() {
  using IsWow64Process2Fn = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
  if (const auto is_wow64_process2 = win32::Kernel32Function<IsWow64Process2Fn>("IsWow64Process2")) {
    USHORT process_machine = 0;
    USHORT native_machine = 0;
    if (is_wow64_process2(GetCurrentProcess(), &process_machine, &native_machine))
      return FromImageMachine(native_machine);
  }
  // Before IsWow64Process2 (Windows 10 1511) WOW64 existed only on x64 Windows.
  BOOL wow64 = FALSE;
  if (IsWow64Process(GetCurrentProcess(), &wow64) && wow64) return Machine::x64;
  return kOwnMachine;
}

std::u16string WindowsFolder() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const UINT length = GetWindowsDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) {
      std::u16string folder = win32::FromWide({buffer.data(), length});
      while (!folder.empty() && folder.back() == u'\\') folder.pop_back();
      return folder;
    }
    buffer.resize(length);  // the size needed, terminator included
  }
}

bool IsVisibleFolder(const std::u16string& path) {
  const DWORD attributes = GetFileAttributesW(win32::Wide(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::vector<std::u16string> PathFolders() {
  std::vector<wchar_t> buffer(1024);
  DWORD length = 0;
  for (;;) {
    length = GetEnvironmentVariableW(L"PATH", buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length < buffer.size()) break;
    buffer.resize(length);  // the size needed, terminator included
  }
  std::vector<std::u16string> folders;
  std::u16string folder;
  for (DWORD i = 0; i <= length; ++i) {
    const wchar_t c = i < length ? buffer[i] : L';';
    if (c == L';') {
      if (!folder.empty()) folders.push_back(std::move(folder));
      folder.clear();
    } else if (c != L'"') {
      folder.push_back(static_cast<char16_t>(c));
    }
  }
  return folders;
}

}  // namespace

SystemLayout CurrentSystemLayout() {
  SystemLayout layout;
  layout.native_machine = NativeMachine();
  layout.windows_folder = WindowsFolder();
  layout.has_sysnative =
      !layout.windows_folder.empty() && IsVisibleFolder(layout.windows_folder + u"\\Sysnative");
  layout.path_folders = PathFolders();
  return layout;
}

}  // namespace kv::platform
