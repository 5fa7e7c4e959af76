// Junctions on Windows: the folder walk does not go round a junction pointing back up, and
// extraction writes nothing through a junction already inside the destination. A system that
// cannot make junctions (Wine answers FSCTL_SET_REPARSE_POINT with "not supported") skips these.
#include <windows.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "tests/archive/commit_test_support.h"
#include "tests/archive/extract_fixture.h"

namespace kv::archive::test {
namespace {

using kv::test::PathText;
using kv::test::ReadFile;
using kv::test::TestDir;
namespace fs = std::filesystem;

// The mount-point form of REPARSE_DATA_BUFFER, which mingw's headers do not give.
struct MountPointHeader {
  DWORD tag;
  WORD data_length;
  WORD reserved;
  WORD substitute_offset;
  WORD substitute_length;
  WORD print_offset;
  WORD print_length;
};

// Makes `link` a new folder that is a junction to the folder `target` (both full Windows
// paths). False when the system cannot make it.
bool MakeJunction(const std::u16string& link, const std::u16string& target) {
  const std::wstring link_w(link.begin(), link.end());
  const std::wstring substitute = L"\\??\\" + std::wstring(target.begin(), target.end());
  const std::wstring print(target.begin(), target.end());
  if (!CreateDirectoryW(link_w.c_str(), nullptr)) return false;
  HANDLE folder = CreateFileW(link_w.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (folder == INVALID_HANDLE_VALUE) return false;
  const std::size_t names = (substitute.size() + 1 + print.size() + 1) * sizeof(wchar_t);
  std::vector<char> buffer(sizeof(MountPointHeader) + names);
  MountPointHeader header{IO_REPARSE_TAG_MOUNT_POINT,
                          static_cast<WORD>(8 + names),
                          0,
                          0,
                          static_cast<WORD>(substitute.size() * sizeof(wchar_t)),
                          static_cast<WORD>((substitute.size() + 1) * sizeof(wchar_t)),
                          static_cast<WORD>(print.size() * sizeof(wchar_t))};
  std::memcpy(buffer.data(), &header, sizeof header);
  std::memcpy(buffer.data() + sizeof header, substitute.c_str(), (substitute.size() + 1) * sizeof(wchar_t));
  std::memcpy(buffer.data() + sizeof header + (substitute.size() + 1) * sizeof(wchar_t), print.c_str(),
              (print.size() + 1) * sizeof(wchar_t));
  DWORD returned = 0;
  const BOOL made = DeviceIoControl(folder, FSCTL_SET_REPARSE_POINT, buffer.data(), static_cast<DWORD>(buffer.size()),
                                    nullptr, 0, &returned, nullptr);
  const DWORD error = made ? 0 : GetLastError();
  CloseHandle(folder);
  if (!made) {
    RemoveDirectoryW(link_w.c_str());
    SetLastError(error);
    return false;
  }
  const DWORD attributes = GetFileAttributesW(link_w.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

#define KV_JUNCTION_OR_SKIP(link, target)                                                         \
  if (!MakeJunction(link, target))                                                                \
  GTEST_SKIP() << "this system cannot make a junction (FSCTL_SET_REPARSE_POINT failed with error " \
               << GetLastError() << "), so the junction case is not run here"

std::set<std::string> Names(const fs::path& archive) {
  std::set<std::string> names;
  for (const auto& x : ReadWritten(ReadFile(archive)).entries) names.insert(x.name);
  return names;
}

TEST(Junctions, WalkDoesNotGoRoundAJunctionBackUp) {
  TestDir dir;
  dir.Write("src/top.txt", "1");
  dir.Write("src/a/deep.txt", "2");
  KV_JUNCTION_OR_SKIP(PathText(dir / "src/a/up"), PathText(dir / "src"));
  TKolZip zip;
  zip.Options().SetRecurse(true);
  zip.SetFileName(PathText(dir / "a.zip"));
  zip.OpenArchive(kModeCreate);
  zip.SetBaseDir(PathText(dir / "src"));
  zip.AddFiles(u"*.*", kDefaultSearchAttr | kAttrDirectory, u"");
  zip.CloseArchive();
  const auto names = Names(dir / "a.zip");
  EXPECT_TRUE(names.count("top.txt") && names.count("a/deep.txt"));
  for (const auto& name : names) EXPECT_EQ(name.find("up/a/up/"), std::string::npos) << name;
}

TEST(Junctions, ExtractionWritesNothingThroughAJunctionInTheDestination) {
  TestDir dir;
  OpenedArchive a(dir, MakeZip({{"sub/x.txt", "extracted"}, {"plain.txt", "plain"}}));
  fs::create_directories(dir / "outside");
  fs::create_directories(dir / "out");
  KV_JUNCTION_OR_SKIP(PathText(dir / "out/sub"), PathText(dir / "outside"));
  a.zip.OnProcessFileFailure = [](TObject&, const std::u16string&, TKZProcessOperation, std::int32_t, std::int32_t,
                                  const std::u16string&, TKZAction& action) { action = fxaIgnore; };
  a.zip.Options().SetOverwriteMode(omAlways);
  a.zip.SetBaseDir(a.Folder("out"));
  a.zip.ExtractFiles(u"*.*", 10431, u"");
  EXPECT_TRUE(fs::is_empty(dir / "outside"));
  EXPECT_EQ(ReadFile(dir / "out/plain.txt"), "plain");
}

}  // namespace
}  // namespace kv::archive::test
