#pragma once
// The device names Windows keeps in every folder, as a pure text rule shared by the POSIX
// stand-in (which refuses to create them, as Windows would) and by callers that refuse such
// names before asking the file system.
#include <string_view>

namespace kv::platform {

// True when `name` (one path component) is a device name: CON, PRN, AUX, NUL, CONIN$, CONOUT$,
// COM0-9, LPT0-9 or COM/LPT with a superscript 1-3, in any letter case, alone or followed by
// spaces or by an extension ("nul.txt", "aux .x").
bool IsReservedDeviceName(std::u16string_view name);

}  // namespace kv::platform
