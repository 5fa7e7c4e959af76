#include "package/errors.h"

#include "archive/errors.h"
#include "platform/unicode.h"

namespace kv::package {

PackageError::PackageError(std::u16string message)
    : std::runtime_error(platform::Utf16ToUtf8(message)), message_(std::move(message)) {}

std::u16string ErrorMessage(const std::exception& error) {
  if (const auto* engine = dynamic_cast<const archive::EKZException*>(&error)) return engine->Message();
  if (const auto* own = dynamic_cast<const PackageError*>(&error)) return own->Message();
  return platform::Utf8ToUtf16(error.what());
}

}  // namespace kv::package
