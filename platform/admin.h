#pragma once
// The installer's administrator check.
#include <string>

namespace kv::platform {

// True when the process may administer the services of `machine` (empty: the local machine).
// Windows: true on a system outside the NT family; otherwise true exactly when OpenSCManagerW with
// SC_MANAGER_ALL_ACCESS on the active database gives a handle (closed again at once).
// POSIX stand-in: true when the effective user is root. Never throws.
bool IsAdministrator(const std::u16string& machine);

}  // namespace kv::platform
