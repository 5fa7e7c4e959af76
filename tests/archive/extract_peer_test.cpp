// Interop: archives made by Info-ZIP zip, 7-Zip, bsdtar and Python's zipfile (built by
// tests/archive/extract_peers.sh) extract to byte-identical files with the entries' times and
// attributes. Label: interop.
#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "tests/archive/extract_fixture.h"

namespace kv::archive::test {
namespace {

namespace fs = std::filesystem;

class PeerArchive : public ::testing::TestWithParam<const char*> {};

TEST_P(PeerArchive, ExtractsByteIdenticalFilesWithTimesAndAttributes) {
  const fs::path peers = kv::test::BinaryDir() / "tests" / "peer-archives";
  ASSERT_TRUE(fs::exists(peers / GetParam())) << "build the kv_extract_peer_archives target first";
  kv::test::TestDir dir;
  TKolZip zip;
  zip.SetFileName(kv::test::PathText(peers / GetParam()));
  zip.OpenArchive(0x40);
  zip.SetBaseDir(kv::test::PathText(dir / "out"));
  std::vector<std::int32_t> failures;
  zip.OnProcessFileFailure = [&](TObject&, const std::u16string&, TKZProcessOperation, std::int32_t native,
                                 std::int32_t, const std::u16string&, TKZAction& action) {
    failures.push_back(native);
    action = fxaIgnore;
  };
  zip.ExtractFiles(u"*.*", 10431, u"");
  EXPECT_TRUE(failures.empty());

  int files = 0;
  TKZArchiveItem f;
  for (bool more = zip.FindFirst(u"*.*", f, 10431, u""); more; more = zip.FindNext(f)) {
    const std::u16string relative = f.StoredPath + f.FileName;
    const std::u16string extracted = kv::test::PathText(dir / "out") + u"\\" + relative;
    std::string native_relative = U8(relative);
    for (auto& c : native_relative)
      if (c == '\\') c = '/';
    const fs::path source = peers / "src" / native_relative;
    if (fs::is_directory(source)) {
      EXPECT_TRUE(fs::is_directory(dir / "out" / native_relative)) << native_relative;
      continue;
    }
    ++files;
    EXPECT_EQ(kv::test::ReadFile(dir / "out" / native_relative), kv::test::ReadFile(source)) << native_relative;
    const std::uint32_t stamp = (std::uint32_t(f.LastModFileDate) << 16) | f.LastModFileTime;
    EXPECT_EQ(platform::GetLastWriteDosTime(extracted), stamp) << U8(relative);
    EXPECT_EQ(platform::GetLastWriteDosTime(kv::test::PathText(source)), stamp) << U8(relative);
    constexpr std::uint32_t kReadOnlyHiddenSystem = 0x07;
    EXPECT_EQ(platform::GetFileAttributesAt(extracted).value_or(0xFF) & kReadOnlyHiddenSystem,
              f.ExternalFileAttributes & kReadOnlyHiddenSystem)
        << U8(relative);
    platform::SetFileAttributesAt(extracted, 0);
  }
  EXPECT_EQ(files, 4);
}

INSTANTIATE_TEST_SUITE_P(Interop, PeerArchive,
                         ::testing::Values("infozip.zip", "7z.zip", "bsdtar.zip", "python.zip"),
                         [](const auto& info) {
                           std::string name = info.param;
                           return name.substr(0, name.find('.'));
                         });

}  // namespace
}  // namespace kv::archive::test
