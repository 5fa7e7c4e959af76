#include "archive/errors.h"

#include <cstdio>
#include <iterator>
#include <string_view>

#include "platform/unicode.h"

namespace kv::archive {
namespace {

// The lookups below rely on these: codes in rising order, each message index from 0 to
// kEngineMessageCount - 1 in some row, and one text per index, so any row of an index gives it.
constexpr bool CodesRise() {
  for (std::size_t i = 1; i < std::size(kNativeErrorTable); ++i)
    if (kNativeErrorTable[i].native <= kNativeErrorTable[i - 1].native) return false;
  return true;
}

constexpr bool EveryIndexHasOneText() {
  for (std::int32_t index = 0; index < kEngineMessageCount; ++index) {
    bool seen = false;
    for (const NativeErrorRow& row : kNativeErrorTable) {
      if (row.error_code != index) continue;
      if (row.message != MessageForErrorCode(index)) return false;
      seen = true;
    }
    if (!seen) return false;
  }
  for (const NativeErrorRow& row : kNativeErrorTable)
    if (row.error_code < 0 || row.error_code >= kEngineMessageCount) return false;
  return true;
}

static_assert(kNativeErrorTable[0].native == kNative::Unknown && kNativeErrorTable[0].error_code == 0);
static_assert(CodesRise());
static_assert(EveryIndexHasOneText());

std::u16string ArgText(const TKZErrorArg& arg) {
  if (const auto* text = std::get_if<std::u16string>(&arg)) return *text;
  return platform::Utf8ToUtf16(std::to_string(std::get<std::int64_t>(arg)));
}

// Replaces "%s" and "%d" placeholders in order; a placeholder without an argument stays.
std::u16string FillPlaceholders(std::u16string_view text, const std::vector<TKZErrorArg>& args) {
  std::u16string out;
  std::size_t next = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    bool placeholder = text[i] == u'%' && i + 1 < text.size() && (text[i + 1] == u's' || text[i + 1] == u'd');
    if (placeholder && next < args.size()) {
      out += ArgText(args[next++]);
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

// "%5d" with every space turned into "0".
std::u16string FiveDigits(int native_error) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%5d", native_error);
  std::u16string out = platform::Utf8ToUtf16(buffer);
  for (char16_t& c : out)
    if (c == u' ') c = u'0';
  return out;
}

}  // namespace

std::u16string ErrorText(std::int32_t error_code) { return std::u16string(MessageForErrorCode(error_code)); }

std::u16string FormatEngineMessage(int native_error, const std::vector<TKZErrorArg>& args,
                                   const std::u16string& component_name) {
  std::u16string message = FillPlaceholders(ErrorText(ErrorCodeForNative(native_error)), args);
  if (!component_name.empty()) message = component_name + u": " + message;
  return message + u" - Native error: " + FiveDigits(native_error);
}

EKZException::EKZException(int native_error, std::u16string_view component_name)
    : EKZException(native_error, std::vector<TKZErrorArg>{}, component_name) {}

EKZException::EKZException(int native_error, const std::vector<TKZErrorArg>& args,
                           std::u16string_view component_name)
    : std::runtime_error(
          platform::Utf16ToUtf8(FormatEngineMessage(native_error, args, std::u16string(component_name)))),
      FErrorCode(ErrorCodeForNative(native_error)),
      FNativeError(native_error),
      FMessage(FormatEngineMessage(native_error, args, std::u16string(component_name))) {}

}  // namespace kv::archive
