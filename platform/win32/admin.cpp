#include <windows.h>

#include "platform/admin.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace kv::platform {

bool IsAdministrator(const std::u16string& machine) {
  // Systems outside the NT family have no service control manager and no rights to check.
  if (!(GetVersion() < 0x80000000u)) return true;
  const wchar_t* name = machine.empty() ? nullptr : win32::Wide(machine);
  const win32::UniqueServiceHandle manager(OpenSCManagerW(name, nullptr, SC_MANAGER_ALL_ACCESS));
  return manager.is_valid();
}

}  // namespace kv::platform
