// How CurrentSystemLayout reads PATH: split at ";", quotes removed, empty entries dropped.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "platform/system_layout.h"

namespace kv::platform {
namespace {

// Sets PATH for one case and puts the old value back afterwards.
class PathVariable {
 public:
  PathVariable() {
    const DWORD size = GetEnvironmentVariableW(L"PATH", nullptr, 0);
    if (size == 0) return;
    std::wstring value(size, L'\0');
    value.resize(GetEnvironmentVariableW(L"PATH", value.data(), size));
    saved_ = value;
  }
  ~PathVariable() { SetEnvironmentVariableW(L"PATH", saved_ ? saved_->c_str() : nullptr); }
  PathVariable(const PathVariable&) = delete;
  PathVariable& operator=(const PathVariable&) = delete;
  void Set(const char16_t* value) {
    SetEnvironmentVariableW(L"PATH", reinterpret_cast<const wchar_t*>(value));
  }

 private:
  std::optional<std::wstring> saved_;
};

struct PathCase {
  const char* name;
  const char16_t* value;  // nullptr: no PATH at all
  std::vector<std::u16string> folders;
};

const PathCase kPathCases[] = {
    {"two_folders", u"C:\\a;D:\\b c", {u"C:\\a", u"D:\\b c"}},
    {"empty_entries_dropped", u";;C:\\a;;C:\\b;", {u"C:\\a", u"C:\\b"}},
    {"quotes_removed", u"\"C:\\Program Files\\x\";C:\\y", {u"C:\\Program Files\\x", u"C:\\y"}},
    {"quoted_empty_dropped", u"\"\";C:\\a", {u"C:\\a"}},
    {"semicolon_splits_even_inside_quotes", u"\"C:\\a;b\"", {u"C:\\a", u"b"}},
    {"blanks_kept", u" C:\\a ", {u" C:\\a "}},
    {"only_separators", u";;;", {}},
    {"no_path_variable", nullptr, {}},
};

TEST(CurrentSystemLayoutWin32, SplitsPathFolders) {
  for (const auto& c : kPathCases) {
    SCOPED_TRACE(c.name);
    PathVariable path;
    path.Set(c.value);
    EXPECT_EQ(CurrentSystemLayout().path_folders, c.folders);
  }
}

TEST(CurrentSystemLayoutWin32, ReadsAPathLongerThanAFirstGuess) {
  std::u16string value;
  std::vector<std::u16string> folders;
  for (int i = 0; i < 300; ++i) {
    folders.push_back(u"C:\\folder\\number" + std::u16string(1, static_cast<char16_t>(u'a' + i % 26)));
    value += folders.back() + u";";
  }
  PathVariable path;
  path.Set(value.c_str());
  EXPECT_EQ(CurrentSystemLayout().path_folders, folders);
}

}  // namespace
}  // namespace kv::platform
