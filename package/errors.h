#pragma once
// The package builder's one exception type, and the text of any error as the user sees it.
#include <exception>
#include <stdexcept>
#include <string>

namespace kv::package {

class PackageError : public std::runtime_error {
 public:
  explicit PackageError(std::u16string message);
  const std::u16string& Message() const { return message_; }

 private:
  std::u16string message_;
};

// The message of an error of any layer as UTF-16: the engine's and the builder's own text, else what().
std::u16string ErrorMessage(const std::exception& error);

}  // namespace kv::package
