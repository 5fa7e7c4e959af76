#include "installer/package_members.h"

namespace kv::installer {
namespace {

std::u16string WithBackslashes(std::u16string_view name) {
  std::u16string out(name);
  for (char16_t& c : out)
    if (c == u'/') c = u'\\';
  return out;
}

bool EndsWithExtension(const std::u16string& name, std::u16string_view extension) {
  if (name.size() <= extension.size()) return false;
  for (std::size_t i = 0; i < extension.size(); ++i) {
    char16_t c = name[name.size() - extension.size() + i];
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    if (c != extension[i]) return false;
  }
  return true;
}

}  // namespace

const char16_t* RefusalOf(std::u16string_view raw) {
  const std::u16string name = WithBackslashes(raw);
  if (name.size() >= 2 && name[1] == u':') return u"it names a drive";
  if (name.rfind(u"\\\\", 0) == 0) return u"it names a network path";
  if (!name.empty() && name[0] == u'\\') return u"it starts at the root";
  for (std::size_t start = 0; start <= name.size();) {
    std::size_t end = name.find(u'\\', start);
    if (end == std::u16string::npos) end = name.size();
    if (name.compare(start, end - start, u"..") == 0) return u"it climbs out of the destination";
    start = end + 1;
  }
  return nullptr;
}

std::vector<std::u16string> PackageLibraries(const std::vector<std::u16string>& entry_names) {
  std::vector<std::u16string> libraries;
  for (const std::u16string_view extension : {std::u16string_view(u".dll"), std::u16string_view(u".ocx")})
    for (const auto& entry : entry_names) {
      const std::u16string name = WithBackslashes(entry);
      if (RefusalOf(name) == nullptr && EndsWithExtension(name, extension)) libraries.push_back(name);
    }
  return libraries;
}

}  // namespace kv::installer
