#pragma once
// The platform layer's one exception type: an operating-system failure with the OS error
// code (GetLastError() on Windows, errno on POSIX) and the path it concerns, if any.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace kv::platform {

class PlatformError : public std::runtime_error {
 public:
  PlatformError(const std::string& message, std::uint32_t os_error, std::u16string path = {})
      : std::runtime_error(message), os_error_(os_error), path_(std::move(path)) {}
  std::uint32_t os_error() const { return os_error_; }
  const std::u16string& path() const { return path_; }

 private:
  std::uint32_t os_error_;
  std::u16string path_;
};

}  // namespace kv::platform
