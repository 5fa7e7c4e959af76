#pragma once
// The processor kinds a Windows library or a Windows installation is built for.
#include <cstdint>

namespace kv::platform {

enum class Machine : std::uint8_t { x86, x64, arm64, other };

}  // namespace kv::platform
