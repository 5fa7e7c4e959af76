#pragma once
// EKZException: the archive engine's one exception type. It carries the native error number
// as raised and the index of its message among the engine's texts (both from the table in
// archive/native_errors.h). The message is "<component name>: " (when the raising archiver has
// a name), the text with its "%s"/"%d" placeholders filled, then " - Native error: " and the
// number in five digits.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "archive/native_errors.h"

namespace kv::archive {

// One format argument: text for "%s", a number for "%d".
using TKZErrorArg = std::variant<std::u16string, std::int64_t>;

class EKZException : public std::runtime_error {
 public:
  // `component_name` is the raising archiver's Name; empty leaves the "<name>: " out.
  EKZException(int native_error, std::u16string_view component_name = {});
  EKZException(int native_error, const std::vector<TKZErrorArg>& args,
               std::u16string_view component_name = {});

  std::int32_t ErrorCode() const { return FErrorCode; }
  std::int32_t NativeError() const { return FNativeError; }
  // The whole message as UTF-16 (what() gives the same text in UTF-8).
  const std::u16string& Message() const { return FMessage; }

 private:
  std::int32_t FErrorCode;
  std::int32_t FNativeError;
  std::u16string FMessage;
};

// The text of a message index (that of index 0 for anything out of range), as a string.
std::u16string ErrorText(std::int32_t error_code);
// The full message as EKZException builds it; `component_name` may be empty.
std::u16string FormatEngineMessage(int native_error, const std::vector<TKZErrorArg>& args,
                                   const std::u16string& component_name);

}  // namespace kv::archive
