// Under Windows (Wine in CI): extracted files carry the entries' last-write times and
// attributes as the Win32 API itself reports them.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/archive/extract_fixture.h"

namespace kv::archive::test {
namespace {

struct Win32Stamp {
  DWORD attributes = INVALID_FILE_ATTRIBUTES;
  WORD date = 0;
  WORD time = 0;
};

Win32Stamp ReadStamp(const std::u16string& path) {
  const std::wstring wide(path.begin(), path.end());
  Win32Stamp stamp;
  stamp.attributes = GetFileAttributesW(wide.c_str());
  HANDLE file = CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return stamp;
  FILETIME utc{}, local{}, created{};
  if (GetFileTime(file, &created, nullptr, &utc) && FileTimeToLocalFileTime(&utc, &local))
    FileTimeToDosDateTime(&local, &stamp.date, &stamp.time);
  CloseHandle(file);
  return stamp;
}

TEST(ExtractWin32, TimesAndAttributesThroughTheWin32Api) {
  kv::test::TestDir dir;
  const std::vector<Member> members = {
      {"plain.txt", "plain", kMethodDeflate, FILE_ATTRIBUTE_ARCHIVE, 0x5A2F, 0x56B3},
      {"ro.txt", "ro", kMethodStored, FILE_ATTRIBUTE_READONLY, 0x0000, 0x2821},
      {"hidden.txt", "", kMethodStored, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE, 0xBF7D, 0xF39F},
  };
  OpenedArchive a(dir, MakeZip(members));
  a.zip.SetBaseDir(a.Folder("out"));
  a.zip.ExtractFiles(u"*.*", 10431, u"");
  for (const Member& m : members) {
    const std::u16string path = a.Folder("out\\" + m.name);
    const Win32Stamp stamp = ReadStamp(path);
    EXPECT_EQ(stamp.date, m.date) << m.name;
    EXPECT_EQ(stamp.time, m.time) << m.name;
    ASSERT_NE(stamp.attributes, INVALID_FILE_ATTRIBUTES) << m.name;
    EXPECT_EQ(stamp.attributes & 0x07, m.attributes & 0x07) << m.name;
    SetFileAttributesW(std::wstring(path.begin(), path.end()).c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

}  // namespace
}  // namespace kv::archive::test
