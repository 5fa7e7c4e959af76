#include "registration/library_discovery.h"

#include <string_view>

#include "platform/file_system.h"
#include "platform/find_files.h"
#include "platform/text_compare.h"

namespace kv::registration {
namespace {

constexpr const char16_t* kLibraryMasks[] = {u"*.dll", u"*.ocx"};

// A mask's ".dll" also matches through a file's 8.3 short name on Windows ("lib.dllx" is
// LIB~1.DLL), so backup copies such as "scrrun.dll_old" would be listed and registered; only
// the long name decides. The extensions are ASCII, so folding ASCII letters suffices.
bool EndsWithExtension(const std::u16string& name, std::u16string_view extension) {
  if (name.size() < extension.size()) return false;
  const std::size_t start = name.size() - extension.size();
  for (std::size_t i = 0; i < extension.size(); ++i) {
    char16_t c = name[start + i];
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    if (c != extension[i]) return false;
  }
  return true;
}

// Calls `add` with every library name found under `prefix` (a folder ending with "\").
template <typename Add>
void ListLibraries(const std::u16string& prefix, Add add) {
  for (const char16_t* mask : kLibraryMasks) {
    const std::u16string_view extension = std::u16string_view(mask).substr(1);
    for (const auto& found : platform::FindFiles(prefix + mask, platform::kAllAttributes))
      // Any folder is skipped, also one with more bits than the directory bit (hidden, read-only).
      if ((found.attributes & platform::kAttrDirectory) == 0 && EndsWithExtension(found.name, extension))
        add(found.name);
  }
}

}  // namespace

void FindLibraries(const std::u16string& folder, ui::CheckList& list) {
  ListLibraries(folder, [&](const std::u16string& name) { list.Add(name); });
}

void FindLibraries(const std::u16string& folder, std::vector<std::u16string>& names) {
  ListLibraries(folder + u"\\", [&](const std::u16string& name) { names.push_back(name); });
}

bool AnyEntryChecked(const ui::CheckList& list) {
  for (int i = 0; i < list.Count(); ++i)
    if (list.Checked(i)) return true;
  return false;
}

void SelectFirstMatch(ui::CheckList& list, const std::u16string& search) {
  for (int i = 0; i < list.Count(); ++i) {
    if (platform::StartsWithIgnoringCase(list.Name(i), search)) {
      list.SetSelectedIndex(i);
      return;
    }
  }
  list.SetSelectedIndex(-1);
}

}  // namespace kv::registration
