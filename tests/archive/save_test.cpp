// Saving the directory: end records and the Zip64 end records around the 16-bit entry count,
// central extra fields, name encodings, and rewriting the directory in place.
#include <gtest/gtest.h>

#include "archive/dir_manager.h"
#include "archive/kolzip.h"
#include "tests/archive/commit_test_support.h"

namespace kv::archive::test {
namespace {

using kv::test::PathText;
using kv::test::ReadFile;
using kv::test::TestDir;

// An empty in-memory archive whose directory gets `count` entries "e00000".. without data.
struct MemoryArchive {
  TKZMemoryStream stream;
  TKolZip zip;
  explicit MemoryArchive(int count) {
    zip.OpenArchive(stream, true);
    TKZDirArray& dir = zip.DMHandle()->CDir;
    dir.SetCount(count);
    for (int i = 0; i < count; ++i) {
      char name[16];
      std::snprintf(name, sizeof name, "e%05d", i);
      dir.SetItemName(i, platform::Utf8ToUtf16(name));
      dir[i].CentralDir.versionMadeBy = dir[i].CentralDir.extractVersion = kVersionOemNames;
    }
  }
  TKZDirManager& manager() { return *zip.DMHandle(); }
  // Saves at the end of the emptied stream, as the commit does after cutting it.
  void Save() {
    stream.SetSize(0);
    manager().SaveDir(true, nullptr);
  }
  const std::string& bytes() const { return stream.bytes(); }
};

TEST(SaveDir, WritesZip64EndRecordsFrom65535Entries) {
  for (int count : {0, 1, 65534, 65535, 65536}) {
    MemoryArchive archive(count);
    archive.Save();
    const std::string& b = archive.bytes();
    const std::uint64_t directory_size = static_cast<std::uint64_t>(count) * (46 + 6);
    const bool zip64 = count >= 65535;
    const std::size_t end_at = b.size() - 22;
    const auto end = TKZZipCentralDirEnd::Parse(std::string_view(b).substr(end_at));
    ASSERT_TRUE(end) << count;
    EXPECT_EQ(end->entriesCentralDir, zip64 ? 0xFFFF : count) << count;
    EXPECT_EQ(end->entriesOnDisk, end->entriesCentralDir);
    EXPECT_EQ(end->centralDirSize, directory_size) << count;
    EXPECT_EQ(end->offsetStartDir, 0u);
    EXPECT_EQ(end->diskNumber, 0);
    EXPECT_EQ(b.size(), directory_size + (zip64 ? 76 : 0) + 22) << count;
    EXPECT_EQ(archive.manager().CentralDirOffset, 0);
    if (!zip64) continue;
    const auto locator = TKZZip64CentralDirEndLocator::Parse(std::string_view(b).substr(end_at - 20));
    ASSERT_TRUE(locator);
    EXPECT_EQ(locator->signature, kZip64LocatorSignature);
    EXPECT_EQ(locator->offsetStartDirEnd, directory_size);
    EXPECT_EQ(locator->totalNumberOfDisks, 1u);
    const auto record = TKZZip64CentralDirEnd::Parse(std::string_view(b).substr(directory_size));
    ASSERT_TRUE(record);
    EXPECT_EQ(record->signature, kZip64CentralDirEndSignature);
    EXPECT_EQ(record->centralDirEndSize, 44u);
    EXPECT_EQ(record->versionMadeBy, 45);
    EXPECT_EQ(record->versionNeededToExtract, 45);
    EXPECT_EQ(record->entriesCentralDir, static_cast<std::uint64_t>(count));
    EXPECT_EQ(record->entriesOnDisk, static_cast<std::uint64_t>(count));
    EXPECT_EQ(record->centralDirSize, directory_size);
    EXPECT_EQ(record->offsetStartDir, 0u);
  }
}

TEST(SaveDir, PutsTheZip64BlockFirstAndKeepsAnotherToolsBlock) {
  MemoryArchive archive(1);
  TDirItem& item = archive.manager().CDir[0];
  item.bHugeFile = true;
  item.CentralDir.relOffsetLH = 0xFFFFFFFF;
  item.Zip64ExtInfo.relOffsetLH = 0x123456789ull;
  item.ExtraFields.push_back({0xCAFE, 4, "WXYZ"});
  archive.Save();
  const std::string& b = archive.bytes();
  const std::string zip64_block("\x01\x00\x08\x00\x89\x67\x45\x23\x01\x00\x00\x00", 12);
  EXPECT_EQ(b.substr(46 + 6, 20), zip64_block + std::string("\xfe\xca\x04\x00WXYZ", 8));
  EXPECT_EQ(Le(b, 30, 2), 20u) << "extraLength";
  EXPECT_EQ(item.CentralDir.extraLength, 20) << "the recomputed length stays in the item";
}

TEST(SaveDir, WritesNamesOutsideTheAnsiCodePageAsUtf8AndOthersInTheOemCodePage) {
  MemoryArchive archive(1);
  TKZDirArray& dir = archive.manager().CDir;
  dir.SetItemName(0, u"\u03a9mega.txt");
  archive.Save();
  EXPECT_NE(Le(archive.bytes(), 8, 2) & kFlagUtf8Name, 0u);
  EXPECT_EQ(archive.bytes().substr(46, Le(archive.bytes(), 28, 2)), "\xce\xa9mega.txt");

  dir.SetItemName(0, u"caf\u00e9.txt");  // é: 0xE9 in Windows-1252, 0x82 in code page 437
  archive.Save();
  EXPECT_EQ(Le(archive.bytes(), 8, 2) & kFlagUtf8Name, 0u);
  EXPECT_EQ(archive.bytes().substr(46, 8), "caf\x82.txt");
  EXPECT_EQ(dir[0].Name, u"caf\u00e9.txt") << "the item's name is not converted";
}

TEST(SaveDir, RewritesTheDirectoryInPlaceWhenAskedNotToRecreate) {
  TestDir dir;
  dir.Write("src/a.txt", Content(5000, 1));
  dir.Write("src/b.txt", Content(6000, 2));
  TKolZip zip;
  zip.SetFileName(PathText(dir / "a.zip"));
  zip.OpenArchive(kModeCreate);
  zip.SetBaseDir(PathText(dir / "src"));
  zip.AddFiles(u"*.*", kDefaultSearchAttr, u"");
  zip.CloseArchive();
  const std::string before = ReadFile(dir / "a.zip");
  zip.OpenArchive();
  zip.DMHandle()->ArchiveComment = "a comment";
  zip.DMHandle()->SaveDir(false, nullptr);
  zip.CloseArchive();
  const std::string after = ReadFile(dir / "a.zip");
  ASSERT_EQ(after.size(), before.size() + 9);
  EXPECT_EQ(after.substr(0, before.size() - 2), before.substr(0, before.size() - 2));
  const WrittenArchive w = ReadWritten(after);
  EXPECT_EQ(w.comment, "a comment");
  EXPECT_EQ(w.end_position + 22 + 9, after.size()) << "the file ends right after the comment";
}

}  // namespace
}  // namespace kv::archive::test
