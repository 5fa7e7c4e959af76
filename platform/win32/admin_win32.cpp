#include <windows.h>

#include "platform/admin.h"

namespace kv::platform {

bool IsAdministrator(const std::u16string& machine) {
  // Systems outside the NT family have no service control manager and no rights to check.
  if (!(GetVersion() < 0x80000000u)) return true;
  const wchar_t* name = machine.empty() ? nullptr : reinterpret_cast<const wchar_t*>(machine.c_str());
  SC_HANDLE manager = OpenSCManagerW(name, nullptr, SC_MANAGER_ALL_ACCESS);
  if (manager == nullptr) return false;
  CloseServiceHandle(manager);
  return true;
}

}  // namespace kv::platform
