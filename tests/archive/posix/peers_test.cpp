// Archives written by other tools at test time (Info-ZIP zip, 7-Zip, bsdtar, Python's
// zipfile) are listed exactly as Python's zipfile reads them: names, sizes, CRCs, DOS times,
// attributes, comments and local header offsets. Linux only: the tools run natively.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <sstream>

#include "archive/dir_manager.h"
#include "platform/unicode.h"
#include "tests/archive/archive_test_support.h"
#include "tests/archive/zip_fixture.h"

namespace kv::archive::test {
namespace {

using kv::test::TestDir;
namespace fs = std::filesystem;

// Python's view of an archive, one line per entry: name as UTF-8 hex, then the numbers.
constexpr const char* kListScript = R"PY(
import sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
print(z.comment.hex())
for i in z.infolist():
    y, mo, d, h, mi, s = i.date_time
    print(i.orig_filename.encode('utf-8').hex(), i.file_size, i.compress_size, i.CRC,
          ((y - 1980) << 9) | (mo << 5) | d, (h << 11) | (mi << 5) | (s // 2),
          i.external_attr, i.comment.hex() or '-', i.header_offset, i.flag_bits)
)PY";

struct PeerEntry {
  std::string name_hex;
  std::uint64_t size = 0, compressed = 0;
  std::uint32_t crc = 0;
  unsigned date = 0, time = 0;
  std::uint32_t attributes = 0;
  std::string comment_hex;
  std::uint64_t offset = 0;
  unsigned flags = 0;
};

struct PeerListing {
  std::string comment_hex;
  std::vector<PeerEntry> entries;
};

bool RunShell(const std::string& command) { return std::system(("(" + command + ") >/dev/null 2>&1").c_str()) == 0; }

bool HasTool(const char* tool) { return RunShell(std::string("command -v ") + tool); }

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

PeerListing ListWithPython(const TestDir& dir, const fs::path& archive) {
  const fs::path script = dir.Write("list.py", kListScript);
  const fs::path out = dir / "listing.txt";
  const std::string command = "python3 '" + script.string() + "' '" + archive.string() + "' > '" + out.string() + "'";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  std::ifstream in(out);
  PeerListing listing;
  std::getline(in, listing.comment_hex);
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    PeerEntry e;
    fields >> e.name_hex >> e.size >> e.compressed >> e.crc >> e.date >> e.time >> e.attributes >> e.comment_hex >>
        e.offset >> e.flags;
    if (e.comment_hex == "-") e.comment_hex.clear();
    listing.entries.push_back(e);
  }
  return listing;
}

// The source tree every tool packs: a file, a folder with a binary, an empty file and a
// name outside ASCII, all with one fixed modification time.
void MakeTree(const TestDir& dir) {
  std::string binary(5000, '\0');
  for (std::size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>((i * 7919) % 251);
  dir.Write("src/readme.txt", "Read me first.\r\n");
  dir.Write("src/sub/data.bin", binary);
  dir.Write("src/sub/empty.txt", "");
  dir.Write("src/caf\xC3\xA9.txt", "accented");
  std::tm when{};
  when.tm_year = 124, when.tm_mon = 4, when.tm_mday = 6, when.tm_hour = 7, when.tm_min = 8, when.tm_sec = 10;
  when.tm_isdst = -1;
  const std::time_t t = std::mktime(&when);
  for (const auto& entry : fs::recursive_directory_iterator(dir / "src")) {
    utimbuf times{t, t};
    utime(entry.path().c_str(), &times);
  }
  utimbuf times{t, t};
  utime((dir / "src").c_str(), &times);
}

// Opens `archive` and checks every entry against Python's listing. `stub_size` is the
// number of bytes in front of an archive whose offsets count from the stub's end (folders
// keep those offsets).
void ExpectSameListing(const TestDir& dir, const fs::path& archive, const std::string& label,
                       std::int64_t stub_size_unadjusted = 0) {
  const PeerListing peer = ListWithPython(dir, archive);
  TKolZip zip;
  zip.SetFileName(kv::test::PathText(archive));
  zip.SetOpenCorruptedArchives(false);
  zip.OpenArchive(kModeReadShared);
  const TKZDirManager& dm = *zip.DMHandle();
  EXPECT_EQ(Hex(zip.Comment()), peer.comment_hex) << label;
  ASSERT_EQ(dm.CDir.Count(), static_cast<std::int32_t>(peer.entries.size())) << label;
  std::map<std::string, bool> names;
  for (std::int32_t i = 0; i < dm.CDir.Count(); ++i) {
    const TDirItem& item = dm.CDir[i];
    const PeerEntry& e = peer.entries[static_cast<std::size_t>(i)];
    const std::string name = platform::Utf16ToUtf8(item.Name);
    const std::string where = label + " entry " + name;
    names[name] = true;
    if (e.flags & kFlagUtf8Name) {
      EXPECT_EQ(Hex(name), e.name_hex) << where;
    }
    EXPECT_EQ(item.UncompressedSize(), e.size) << where;
    EXPECT_EQ(item.CompressedSize(), e.compressed) << where;
    EXPECT_EQ(item.CentralDir.crc32, e.crc) << where;
    EXPECT_EQ(item.CentralDir.lastModDate, e.date) << where;
    EXPECT_EQ(item.CentralDir.lastModTime, e.time) << where;
    EXPECT_EQ(item.CentralDir.externalAttr, e.attributes) << where;
    EXPECT_EQ(Hex(item.Comment), e.comment_hex) << where;
    const bool folder_kept = item.IsFolder() && stub_size_unadjusted > 0;
    EXPECT_EQ(item.LocalHeaderOffset() + (folder_kept ? stub_size_unadjusted : 0), e.offset) << where;
  }
  std::string all;
  for (const auto& [name, found] : names) all += name + " ";
  for (const char* expected : {"readme.txt", "sub/data.bin", "sub/empty.txt", "caf\xC3\xA9.txt"})
    EXPECT_TRUE(names.count(expected)) << label << ": " << expected << " not among " << all;
}

struct PeerCase {
  const char* label;
  const char* tool;
  const char* command;  // run in the test folder; $A is the archive
};

constexpr PeerCase kPeers[] = {
    {"zip deflated", "zip", "cd src && zip -r -9 -q ../$A . && cd .. && echo 'archive comment' | zip -z -q $A"},
    {"zip stored", "zip", "cd src && zip -r -0 -q ../$A ."},
    {"7z", "7z", "cd src && 7z a -tzip ../$A . "},
    {"7z stored", "7z", "cd src && 7z a -tzip -mx=0 ../$A ."},
    {"bsdtar", "bsdtar", "cd src && bsdtar --format zip -cf ../$A *"},
    {"bsdtar stored", "bsdtar", "cd src && bsdtar --format zip --options zip:compression=store -cf ../$A *"},
    {"python zipfile", "python3",
     "python3 -c \"import zipfile,os\nz=zipfile.ZipFile('$A','w',zipfile.ZIP_DEFLATED)\nz.comment=b'py comment'\n"
     "for r,ds,fs in os.walk('src'):\n for n in ds+fs:\n  p=os.path.join(r,n); z.write(p, os.path.relpath(p,'src'))\n"
     "z.getinfo('readme.txt').comment=b'entry note'\nz.close()\""},
};

std::string WithArchive(std::string command, const std::string& archive) {
  for (std::size_t at; (at = command.find("$A")) != std::string::npos;) command.replace(at, 2, archive);
  return command;
}

TEST(Peers, ArchivesOfOtherToolsAreListedAsPythonReadsThem) {
  for (const PeerCase& c : kPeers) {
    if (!HasTool(c.tool)) {
      ADD_FAILURE() << c.tool << " is not installed";
      continue;
    }
    TestDir dir;
    MakeTree(dir);
    ASSERT_TRUE(RunShell("cd '" + dir.path().string() + "' && " + WithArchive(c.command, "peer.zip"))) << c.label;
    ExpectSameListing(dir, dir / "peer.zip", c.label);
  }
}

TEST(Peers, InfoZipEntryCommentsAndUtf8NamesWithoutTheFlag) {
  TestDir dir;
  MakeTree(dir);
  const std::string in = "cd '" + dir.path().string() + "' && ";
  ASSERT_TRUE(RunShell(in + "cd src && zip -r -q ../c.zip ."));
  // zipnote's format: "@ name", the comment, "@ (comment above this line)".
  dir.Write("notes.txt", "@ readme.txt\nentry comment\n@ (comment above this line)\n@ (zip file comment below this line)\n"
                         "archive note\n");
  ASSERT_TRUE(RunShell(in + "zipnote -w c.zip < notes.txt"));
  ExpectSameListing(dir, dir / "c.zip", "zipnote");
  TKolZip zip;
  zip.SetFileName(kv::test::PathText(dir / "c.zip"));
  zip.OpenArchive(kModeReadShared);
  std::int32_t at = -1;
  ASSERT_TRUE(zip.DMHandle()->CDir.FileExists(u"readme.txt", at));
  EXPECT_EQ(zip.DMHandle()->CDir[at].Comment, "entry comment");
  EXPECT_EQ(zip.Comment(), "archive note");
  ASSERT_TRUE(zip.DMHandle()->CDir.FileExists(u"caf\u00E9.txt", at));
}

TEST(Peers, SelfExtractingFilesMadeByConcatenationAndByZipA) {
  TestDir dir;
  MakeTree(dir);
  const std::string in = "cd '" + dir.path().string() + "' && ";
  ASSERT_TRUE(RunShell(in + "cd src && zip -r -q ../plain.zip ."));
  const std::string stub = FakeStub(7000);
  dir.Write("stub.bin", stub);
  // Plain concatenation: offsets count from the stub's end.
  ASSERT_TRUE(RunShell(in + "cat stub.bin plain.zip > concat.exe"));
  ExpectSameListing(dir, dir / "concat.exe", "concatenated", 7000);
  // zip -A rewrites the offsets to count from the file start.
  ASSERT_TRUE(RunShell(in + "cp concat.exe adjusted.exe && zip -A -q adjusted.exe"));
  ExpectSameListing(dir, dir / "adjusted.exe", "zip -A");
  TKolZip zip;
  zip.SetFileName(kv::test::PathText(dir / "adjusted.exe"));
  zip.OpenArchive(kModeReadShared);
  EXPECT_EQ(zip.DMHandle()->StubSize, 7000);
}

}  // namespace
}  // namespace kv::archive::test
