#include "archive/paths.h"

#include <gtest/gtest.h>

#include "archive/masks.h"
#include "platform/file_system.h"
#include "platform/unicode.h"
#include "tests/support/test_dir.h"

namespace kv::archive {
namespace {

std::string U8(std::u16string_view s) { return platform::Utf16ToUtf8(s); }

struct StoredNameCase {
  const char16_t* file;
  const char16_t* base;
  TKZStorePathMode mode;
  const char16_t* expected;
};

// Drive paths need no folder on disk: a folder with a drive is taken as it is.
constexpr StoredNameCase kStoredNameCases[] = {
    {u"C:\\Tools\\Temp\\mendkit.ini", u"C:\\Tools\\Temp", spRelativePath, u"mendkit.ini"},
    {u"C:\\Tools\\Temp\\sub\\lib.dll", u"C:\\Tools\\Temp\\", spRelativePath, u"sub/lib.dll"},
    {u"sub\\lib.dll", u"C:\\Tools\\Temp", spRelativePath, u"sub/lib.dll"},
    {u"c:\\tools\\TEMP\\a.dll", u"C:\\Tools\\Temp", spRelativePath, u"a.dll"},  // folders compared without case
    {u"D:\\Other\\a.dll", u"C:\\Tools\\Temp", spRelativePath, u"Other/a.dll"},  // other drive: full path, no drive
    {u"C:\\Other\\a.dll", u"C:\\Tools\\Temp", spRelativePath, u"Other/a.dll"},  // outside base: no "../"
    {u"..\\a.dll", u"C:\\Tools\\Temp", spRelativePath, u"Tools/a.dll"},
    {u"C:\\Tools\\Temp\\sub\\", u"C:\\Tools\\Temp", spRelativePath, u"sub"},   // trailing separator dropped
    {u"C:\\Tools\\Temp\\a.dll", u"C:\\Tools\\Temp", spNoPath, u"a.dll"},
    {u"C:\\Tools\\Temp\\a.dll", u"C:\\Tools\\Temp", spFullPath, u"Tools/Temp/a.dll"},
    {u"C:\\Tools\\Temp\\a.dll", u"C:\\Tools\\Temp", spFullPathWithDrive, u"C:/Tools/Temp/a.dll"},
    {u"\\\\server\\share\\dir\\a.dll", u"C:\\Tools", spFullPath, u"share/dir/a.dll"},  // server skipped
    {u"C:", u"C:\\Tools", spFullPath, u""},
};

TEST(StoredName, FollowsTheStorePathMode) {
  for (const auto& c : kStoredNameCases) {
    EXPECT_EQ(StoredName(c.file, c.base, c.mode, u"C:\\Tools"), c.expected) << U8(c.file) << " mode " << int(c.mode);
  }
}

// Changes the process's current folder for one test and puts the previous one back.
class CurrentFolderScope {
 public:
  explicit CurrentFolderScope(const std::u16string& folder) : previous_(platform::CurrentFolder()) {
    EXPECT_TRUE(platform::SetCurrentFolder(folder));
  }
  ~CurrentFolderScope() { platform::SetCurrentFolder(previous_); }
  CurrentFolderScope(const CurrentFolderScope&) = delete;
  CurrentFolderScope& operator=(const CurrentFolderScope&) = delete;

 private:
  std::u16string previous_;
};

TEST(ResolvePath, ExistingFoldersAreExpandedOthersKept) {
  test::TestDir dir;
  dir.Write("sub/x", "");
  CurrentFolderScope scope(dir.text());
  const std::u16string folder = platform::CurrentFolder();
  EXPECT_EQ(ResolvePath(folder, u"", u""), folder) << "a drive: unchanged, no backslash";
  EXPECT_EQ(ResolvePath(u"sub", u"", u""), folder + u"\\sub\\");
  EXPECT_EQ(ResolvePath(u"sub\\", u"", u""), folder + u"\\sub\\");
  EXPECT_EQ(ResolvePath(u".\\sub\\..\\sub", u"", u""), folder + u"\\sub\\");
  EXPECT_EQ(ResolvePath(u"", u"", u""), folder + u"\\") << "empty folder: the current one";
  EXPECT_EQ(ResolvePath(u"\\", u"", u""), folder + u"\\") << "a lone backslash: the current one";
  EXPECT_EQ(ResolvePath(u"no-such-folder", u"", u""), u"no-such-folder");
  EXPECT_EQ(ResolvePath(u"sub", u"a\\..\\b.txt", u""), folder + u"\\sub\\b.txt");
  EXPECT_EQ(ResolvePath(u"", u"b.txt", u"Q:\\cur"), u"Q:\\cur\\b.txt") << "the given current folder";
  EXPECT_EQ(ResolvePath(u"sub", u"Q:\\x.txt", u""), u"Q:\\x.txt");
  EXPECT_EQ(ResolvePath(u"sub", u"\\\\srv\\share\\x", u""), u"\\\\srv\\share\\x");
  EXPECT_EQ(ResolvePath(u"sub", u"\\x.txt", u""), folder.substr(0, 2) + u"\\x.txt") << "the current drive";
}

struct RelativeCase {
  const char16_t* path;
  const char16_t* base;
  const char16_t* expected;
};

constexpr RelativeCase kRelativeCases[] = {
    {u"C:\\a\\b\\c.txt", u"C:\\a", u"b\\c.txt"},
    {u"C:\\a\\b\\c.txt", u"c:\\A\\", u"b\\c.txt"},
    {u"C:\\a\\c.txt", u"C:\\a\\b", u"..\\c.txt"},
    {u"C:\\x\\c.txt", u"C:\\a\\b", u"..\\..\\x\\c.txt"},
    {u"D:\\x\\c.txt", u"C:\\a", u"D:\\x\\c.txt"},
};

TEST(RelativePath, DropsSharedFoldersAndClimbsOutOfTheRest) {
  for (const auto& c : kRelativeCases) EXPECT_EQ(RelativePath(c.path, c.base), c.expected) << U8(c.path);
}

struct ResolveMaskCase {
  const char16_t* mask;
  const char16_t* pattern;
  bool relative;
};

constexpr ResolveMaskCase kResolveMaskCases[] = {
    {u"", u"", false},
    {u"*.dll", u"C:\\Base\\*.dll", true},
    {u"sub\\*.dll", u"C:\\Base\\sub\\*.dll", true},
    {u"\\*.dll", u"C:\\Base\\*.dll", false},
    {u"/*.dll", u"C:\\Base\\*.dll", false},
    {u"\\", u"C:\\Base", false},
    {u"\\\\srv\\share\\*.dll", u"\\\\srv\\share\\*.dll", false},
    {u".\\*.dll", u"C:\\Base\\*.dll", false},
    {u"D:\\*.dll", u"D:\\*.dll", false},
    {u"..\\*.dll", u"..\\*.dll", false},
    {u"../*.dll", u"../*.dll", false},
};

TEST(ResolveMask, MakesFullPatternsBelowTheFolder) {
  for (const auto& c : kResolveMaskCases) {
    const ResolvedMask r = ResolveMask(c.mask, u"C:\\Base", u"C:\\Base");
    EXPECT_EQ(r.pattern, c.pattern) << U8(c.mask);
    EXPECT_EQ(r.relative, c.relative) << U8(c.mask);
  }
}

struct MatchesMaskCase {
  const char16_t* path;
  const char16_t* mask;
  bool is_folder;
  bool matches;
};

constexpr MatchesMaskCase kMatchesMaskCases[] = {
    {u"C:\\Tools\\Temp\\a.dll", u"*.*", false, true},
    {u"C:\\Tools\\Temp\\sub", u"*.*", true, true},  // "*.*" also takes folders
    {u"C:\\Tools\\Temp\\a.dll", u"C:\\Tools\\Temp\\*.dll", false, true},
    {u"C:\\Tools\\Temp\\sub\\a.dll", u"C:\\Tools\\Temp\\*.dll", false, false},
    {u"C:\\Tools\\Temp\\a.dll", u"C:\\Tools\\Temp\\*.*", false, true},
    {u"C:\\Tools\\Temp\\sub\\a.dll", u"C:\\Tools\\Temp\\*.*", false, true},
    {u"C:\\Tools\\Other\\a.dll", u"C:\\Tools\\Temp\\*.*", false, false},
    {u"c:\\tools\\temp\\A.DLL", u"C:\\Tools\\Temp\\a.dll", false, true},  // the archive's own name
    {u"C:\\Tools\\Temp\\b.dll", u"C:\\Tools\\Temp\\a.dll", false, false},
    {u"C:\\Tools\\Temp\\a.dll", u"*.dll", false, true},                      // relative: by name
    {u"C:\\Tools\\Temp\\sub\\a.dll", u"*.dll", false, true},
    {u"C:\\Tools\\Temp\\a.ocx", u"*.dll", false, false},
    {u"C:\\Tools\\Temp\\sub\\a.dll", u"sub\\*.dll", false, true},
    {u"C:\\Tools\\Temp\\other\\a.dll", u"sub\\*.dll", false, false},
};

TEST(MatchesMask, RelativeAndAbsoluteMasks) {
  for (const auto& c : kMatchesMaskCases) {
    EXPECT_EQ(MatchesMask(c.path, c.mask, c.is_folder, u"C:\\Tools\\Temp", u"C:\\Tools\\Temp"), c.matches)
        << U8(c.path) << " vs " << U8(c.mask);
  }
}

struct NameMaskCase {
  const char16_t* name;
  const char16_t* mask;
  bool matches;
};

constexpr NameMaskCase kNameMaskCases[] = {
    {u"readme", u"*.", true},        // "*." only for names without an extension
    {u"readme.txt", u"*.", false},
    {u"readme.", u"*.", true},
    {u"dir.x/readme", u"*.", true},  // a dot in a folder is no extension
    {u"readme", u"*.*", true},
    {u"a.b", u"*.*", true},
    {u"a.b", u"", false},            // an empty mask matches nothing
    {u"MENDKIT.INI", u"mendkit.ini", true},
    {u"sub/mendkit.ini", u"mendkit.ini", false},  // whole names; the caller also tries the file-name part
    {u"a.txt", u"a.txt.", false},
    {u"x.dll", u"*.*.", false},
};

TEST(NameMatchesMask, SearchMasks) {
  for (const auto& c : kNameMaskCases)
    EXPECT_EQ(NameMatchesMask(c.name, c.mask), c.matches) << U8(c.name) << " vs " << U8(c.mask);
}

}  // namespace
}  // namespace kv::archive
