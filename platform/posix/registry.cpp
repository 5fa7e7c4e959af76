// POSIX stand-in of the current user's hive: keys and values in memory, compared without
// regard to case like the Windows registry.
#include <algorithm>
#include <cctype>
#include <map>
#include <variant>

#include "platform/registry.h"

namespace kv::platform {
namespace {

std::u16string Folded(std::u16string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](char16_t c) { return c < 128 ? static_cast<char16_t>(std::tolower(c)) : c; });
  return text;
}

std::u16string KeyName(const std::u16string& key) {
  std::u16string trimmed = key;
  while (!trimmed.empty() && trimmed.front() == u'\\') trimmed.erase(0, 1);
  while (!trimmed.empty() && trimmed.back() == u'\\') trimmed.pop_back();
  return Folded(trimmed);
}

class MemoryHive final : public RegistryHive {
 public:
  bool ValueExists(const std::u16string& key, const std::u16string& name) const override {
    const auto k = keys_.find(KeyName(key));
    return k != keys_.end() && k->second.count(Folded(name)) != 0;
  }

  std::optional<std::u16string> ReadString(const std::u16string& key,
                                           const std::u16string& name) const override {
    const auto k = keys_.find(KeyName(key));
    if (k == keys_.end()) return std::nullopt;
    const auto v = k->second.find(Folded(name));
    if (v == k->second.end() || !std::holds_alternative<std::u16string>(v->second)) return std::nullopt;
    return std::get<std::u16string>(v->second);
  }

  std::optional<std::uint32_t> ReadNumber(const std::u16string& key, const std::u16string& name) const override {
    const auto k = keys_.find(KeyName(key));
    if (k == keys_.end()) return std::nullopt;
    const auto v = k->second.find(Folded(name));
    if (v == k->second.end() || !std::holds_alternative<std::uint32_t>(v->second)) return std::nullopt;
    return std::get<std::uint32_t>(v->second);
  }

  void WriteNumber(const std::u16string& key, const std::u16string& name, std::uint32_t value) override {
    keys_[KeyName(key)][Folded(name)] = value;
  }

  void WriteString(const std::u16string& key, const std::u16string& name,
                   const std::u16string& value) override {
    keys_[KeyName(key)][Folded(name)] = value;
  }

  void DeleteTree(const std::u16string& key) override {
    const std::u16string root = KeyName(key);
    std::erase_if(keys_, [&](const auto& entry) {
      return entry.first == root || entry.first.starts_with(root + u"\\");
    });
  }

 private:
  std::map<std::u16string, std::map<std::u16string, std::variant<std::u16string, std::uint32_t>>> keys_;
};

}  // namespace

std::unique_ptr<RegistryHive> OpenCurrentUserHive() { return std::make_unique<MemoryHive>(); }
std::unique_ptr<RegistryHive> OpenLocalMachineHive() { return std::make_unique<MemoryHive>(); }

}  // namespace kv::platform
