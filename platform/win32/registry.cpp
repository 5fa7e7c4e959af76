// The current user's and the local machine's hives through the Win32 registry API.
#include <windows.h>

#include "platform/errors.h"
#include "platform/registry.h"
#include "platform/unicode.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace kv::platform {
namespace {

using win32::FromWide;
using win32::Wide;
using win32::WideCopy;

std::wstring KeyPath(const std::u16string& key) {
  std::wstring path = WideCopy(key);
  while (!path.empty() && path.front() == L'\\') path.erase(0, 1);
  return path;
}

[[noreturn]] void Fail(const char* what, LONG status, const std::u16string& key) {
  throw PlatformError(std::string(what) + " " + Utf16ToUtf8(key), static_cast<std::uint32_t>(status), key);
}

class Win32Hive final : public RegistryHive {
 public:
  explicit Win32Hive(HKEY root) : root_(root) {}

  bool ValueExists(const std::u16string& key, const std::u16string& name) const override {
    win32::UniqueRegistryKey handle;
    if (RegOpenKeyExW(root_, KeyPath(key).c_str(), 0, KEY_QUERY_VALUE, handle.put()) !=
        ERROR_SUCCESS)
      return false;
    return RegQueryValueExW(handle.get(), Wide(name), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  }

  std::optional<std::u16string> ReadString(const std::u16string& key,
                                           const std::u16string& name) const override {
    win32::UniqueRegistryKey handle;
    if (RegOpenKeyExW(root_, KeyPath(key).c_str(), 0, KEY_QUERY_VALUE, handle.put()) !=
        ERROR_SUCCESS)
      return std::nullopt;
    DWORD type = 0, size = 0;
    const wchar_t* value_name = Wide(name);
    if (RegQueryValueExW(handle.get(), value_name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
      return std::nullopt;
    std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    if (RegQueryValueExW(handle.get(), value_name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                         &size) != ERROR_SUCCESS)
      return std::nullopt;
    data.resize(size / sizeof(wchar_t));
    while (!data.empty() && data.back() == L'\0') data.pop_back();  // stored with or without its end mark
    return FromWide(data);
  }

  void WriteString(const std::u16string& key, const std::u16string& name,
                   const std::u16string& value) override {
    win32::UniqueRegistryKey handle;
    LONG status = RegCreateKeyExW(root_, KeyPath(key).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_SET_VALUE, nullptr, handle.put(), nullptr);
    if (status != ERROR_SUCCESS) Fail("Cannot create registry key", status, key);
    status = RegSetValueExW(handle.get(), Wide(name), 0, REG_SZ, reinterpret_cast<const BYTE*>(Wide(value)),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    if (status != ERROR_SUCCESS) Fail("Cannot write registry value in", status, key);
  }

  std::optional<std::uint32_t> ReadNumber(const std::u16string& key, const std::u16string& name) const override {
    win32::UniqueRegistryKey handle;
    if (RegOpenKeyExW(root_, KeyPath(key).c_str(), 0, KEY_QUERY_VALUE, handle.put()) != ERROR_SUCCESS)
      return std::nullopt;
    DWORD type = 0, data = 0, size = sizeof(data);
    if (RegQueryValueExW(handle.get(), Wide(name), nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD)
      return std::nullopt;
    return data;
  }

  void WriteNumber(const std::u16string& key, const std::u16string& name, std::uint32_t value) override {
    win32::UniqueRegistryKey handle;
    LONG status = RegCreateKeyExW(root_, KeyPath(key).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                                  nullptr, handle.put(), nullptr);
    if (status != ERROR_SUCCESS) Fail("Cannot create registry key", status, key);
    const DWORD data = value;
    status = RegSetValueExW(handle.get(), Wide(name), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data));
    if (status != ERROR_SUCCESS) Fail("Cannot write registry value in", status, key);
  }

  void DeleteTree(const std::u16string& key) override {
    const LONG status = RegDeleteTreeW(root_, KeyPath(key).c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) Fail("Cannot delete registry key", status, key);
    if (status == ERROR_SUCCESS) RegDeleteKeyW(root_, KeyPath(key).c_str());
  }

 private:
  HKEY root_;
};

}  // namespace

std::unique_ptr<RegistryHive> OpenCurrentUserHive() { return std::make_unique<Win32Hive>(HKEY_CURRENT_USER); }
std::unique_ptr<RegistryHive> OpenLocalMachineHive() { return std::make_unique<Win32Hive>(HKEY_LOCAL_MACHINE); }

}  // namespace kv::platform
