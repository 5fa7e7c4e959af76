#include "platform/posix/native_path.h"

#include <unistd.h>

#include <array>
#include <climits>

#include "platform/full_path_rules.h"
#include "platform/reserved_names.h"
#include "platform/unicode.h"

namespace kv::platform::posix {
namespace {

constexpr std::u16string_view kForbidden = u"<>:\"|?*";

}  // namespace

bool IsHoldableName(std::u16string_view name) {
  if (name.empty()) return false;
  if (name == u"." || name == u"..") return true;
  for (char16_t c : name)
    if (c < 0x20 || kForbidden.find(c) != std::u16string_view::npos) return false;
  if (name.back() == u'.' || name.back() == u' ') return false;
  return !platform::IsReservedDeviceName(name);
}

std::u16string CurrentWindowsFolder() {
  std::array<char, PATH_MAX> buffer{};
  if (!getcwd(buffer.data(), buffer.size())) return u"Z:\\";
  std::u16string folder = u"Z:" + Utf8ToUtf16(buffer.data());
  for (auto& c : folder)
    if (c == u'/') c = u'\\';
  if (folder.size() > 3 && folder.back() == u'\\') folder.pop_back();
  return folder;
}

std::optional<std::string> NativePath(std::u16string_view windows_path) {
  const std::u16string full = ExpandFullPath(windows_path, CurrentWindowsFolder());
  if (full.size() < 2 || (full[0] != u'Z' && full[0] != u'z') || full[1] != u':') return std::nullopt;
  std::u16string rest = full.substr(2);
  for (auto& c : rest)
    if (c == u'\\') c = u'/';
  if (rest.empty()) rest = u"/";
  return Utf16ToUtf8(rest);
}

std::optional<std::string> NativePathForCreate(std::u16string_view windows_path) {
  // Names are checked as given: the expansion would silently drop a trailing dot or space.
  std::size_t start = PathRoot(windows_path).size();
  while (start <= windows_path.size()) {
    std::size_t end = windows_path.find_first_of(u"\\/", start);
    if (end == std::u16string_view::npos) end = windows_path.size();
    const auto name = windows_path.substr(start, end - start);
    if (!name.empty() && !IsHoldableName(name)) return std::nullopt;
    start = end + 1;
  }
  return NativePath(windows_path);
}

}  // namespace kv::platform::posix
