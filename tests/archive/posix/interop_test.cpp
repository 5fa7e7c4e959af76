// Archives written by the engine, checked by other tools: unzip, 7z, bsdtar and Python's
// zipfile test every member and extract byte-identical files. Run with KV_INTEROP=1 (the
// CTest entry labelled "interop" does so).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>

#include "platform/unicode.h"
#include "tests/archive/commit_test_support.h"

namespace kv::archive::test {
namespace {

using kv::test::PathText;
using kv::test::ReadFile;
using kv::test::TestDir;
namespace fs = std::filesystem;

struct Result {
  int status = -1;
  std::string output;
};

std::string Quote(const fs::path& p) { return "'" + p.string() + "'"; }

Result RunCommand(const std::string& command) {
  Result r;
  FILE* pipe = ::popen(("LC_ALL=C.UTF-8 " + command + " 2>&1").c_str(), "r");
  if (!pipe) return r;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) r.output.append(buffer, n);
  const int raw = ::pclose(pipe);
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return r;
}

// Info-ZIP's unzip 6.0 converts the names of entries made on DOS/Windows from the OEM code page
// even when flag bit 11 marks them as UTF-8, so for such names only its bytes are compared.
bool g_compare_unzip_bytes_only = false;

std::multiset<std::string> Contents(const std::map<std::string, std::string>& tree) {
  std::multiset<std::string> contents;
  for (const auto& [name, bytes] : tree) contents.insert(bytes);
  return contents;
}

struct Peer {
  const char* name;
  std::function<std::string(const fs::path& archive)> test;
  std::function<std::string(const fs::path& archive, const fs::path& out)> extract;
};

const std::vector<Peer>& Peers() {
  static const std::vector<Peer> peers = {
      {"unzip", [](const fs::path& a) { return "unzip -tq " + Quote(a); },
       [](const fs::path& a, const fs::path& o) { return "unzip -q -o " + Quote(a) + " -d " + Quote(o); }},
      {"7z", [](const fs::path& a) { return "7z t " + Quote(a); },
       [](const fs::path& a, const fs::path& o) { return "7z x -y -o" + Quote(o) + " " + Quote(a); }},
      {"bsdtar", [](const fs::path& a) { return "bsdtar -tf " + Quote(a); },
       [](const fs::path& a, const fs::path& o) { return "mkdir -p " + Quote(o) + " && bsdtar -xf " + Quote(a) + " -C " + Quote(o); }},
      {"python", [](const fs::path& a) {
         return "python3 -c 'import zipfile,sys; sys.exit(zipfile.ZipFile(sys.argv[1]).testzip() is not None)' " + Quote(a);
       },
       [](const fs::path& a, const fs::path& o) {
         return "python3 -c 'import zipfile,sys; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' " + Quote(a) + " " + Quote(o);
       }},
  };
  return peers;
}

// Every regular file below `root`, by relative path.
std::map<std::string, std::string> Tree(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file()) files[fs::relative(e.path(), root).string()] = ReadFile(e.path());
  return files;
}

// Checks `archive` with every peer and compares what each extracts with `source`.
void CheckWithPeers(const fs::path& archive, const fs::path& source, const fs::path& scratch) {
  const auto expected = Tree(source);
  for (const Peer& peer : Peers()) {
    const Result t = RunCommand(peer.test(archive));
    EXPECT_EQ(t.status, 0) << peer.name << " test:\n" << t.output.substr(0, 2000);
    EXPECT_EQ(t.output.find("arning"), std::string::npos) << peer.name << ":\n" << t.output.substr(0, 2000);
    const fs::path out = scratch / (std::string("out-") + peer.name);
    const Result x = RunCommand(peer.extract(archive, out));
    EXPECT_EQ(x.status, 0) << peer.name << " extract:\n" << x.output.substr(0, 2000);
    const auto got = Tree(out);
    EXPECT_EQ(got.size(), expected.size()) << peer.name;
    if (g_compare_unzip_bytes_only && std::string(peer.name) == "unzip")
      EXPECT_TRUE(Contents(got) == Contents(expected)) << peer.name << " extracted different bytes";
    else
      EXPECT_TRUE(got == expected) << peer.name << " extracted different bytes";
    fs::remove_all(out);
  }
}

class Interop : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("KV_INTEROP")) GTEST_SKIP() << "peer checks run with KV_INTEROP=1";
  }
};

struct SourceCase {
  const char* name;
  std::function<void(TestDir&)> make;
  std::function<void(TKolZip&)> configure;
};

void Nothing(TKolZip&) {}

const SourceCase kSourceCases[] = {
    {"EmptyFile", [](TestDir& d) { d.Write("src/empty.dll", ""); }, Nothing},
    {"ExactlyOneBlock", [](TestDir& d) { d.Write("src/block.bin", Content(512 * 1024, 1)); }, Nothing},
    {"ThreeBlocks", [](TestDir& d) { d.Write("src/three.bin", Content(1024 * 1024 + 1, 2)); }, Nothing},
    {"Incompressible", [](TestDir& d) { d.Write("src/noise.bin", Content(700 * 1024, 3, true)); }, Nothing},
    {"CompressionModeZero",
     [](TestDir& d) {
       d.Write("src/a.txt", Content(600 * 1024, 4));
       d.Write("src/b.txt", Content(10, 5));
     },
     [](TKolZip& z) { z.SetCompressionMode(0); }},
    {"NoCompressionMask",
     [](TestDir& d) {
       d.Write("src/lib.ocx", Content(300 * 1024, 6));
       d.Write("src/lib.dll", Content(300 * 1024, 7));
     },
     [](TKolZip& z) { z.NoCompressionMasks().push_back(u"*.ocx"); }},
    {"Folders",
     [](TestDir& d) {
       d.Write("src/sub/x", Content(5000, 8));
       d.Write("src/sub/deeper/y.dll", Content(6000, 9));
       d.Write("src/top.ini", "[mendKit]\r\n");
       fs::create_directories(d / "src/emptyfolder");
     },
     Nothing},
    {"NamesOutsideTheAnsiCodePage",
     [](TestDir& d) {
       d.Write("src/\xce\xa9mega.txt", Content(100, 10));                  // Greek capital omega
       d.Write("src/\xe6\x97\xa5\xe6\x9c\xac/\xe8\xaa\x9e.dll", Content(200, 11));  // CJK folder and file
     },
     Nothing},
};

class InteropSources : public Interop, public ::testing::WithParamInterface<SourceCase> {};

TEST_P(InteropSources, PeersTestAndExtractIdenticalFiles) {
  TestDir dir;
  GetParam().make(dir);
  g_compare_unzip_bytes_only = std::string(GetParam().name) == "NamesOutsideTheAnsiCodePage";
  TKolZip zip;
  GetParam().configure(zip);
  zip.SetFileName(PathText(dir / "a.zip"));
  zip.OpenArchive(kModeCreate);
  zip.SetBaseDir(PathText(dir / "src"));
  zip.AddFiles(u"*.*", kDefaultSearchAttr, u"");
  zip.CloseArchive();
  CheckWithPeers(dir / "a.zip", dir / "src", dir.path());
  g_compare_unzip_bytes_only = false;
  const WrittenArchive w = ReadWritten(ReadFile(dir / "a.zip"));
  if (std::string(GetParam().name) == "NoCompressionMask") {
    EXPECT_EQ(Find(w, "lib.ocx")->method, kMethodStored);
    EXPECT_EQ(Find(w, "lib.dll")->method, kMethodDeflate);
  }
  if (std::string(GetParam().name) == "NamesOutsideTheAnsiCodePage") {
    for (const auto& x : w.entries) EXPECT_NE(x.flags & kFlagUtf8Name, 0) << x.name;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, InteropSources, ::testing::ValuesIn(kSourceCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Around the 16-bit entry count: from 65,535 entries on the Zip64 end records carry it.
class InteropEntryCounts : public Interop, public ::testing::WithParamInterface<int> {};

TEST_P(InteropEntryCounts, ManyEntriesNeedTheZip64EndRecords) {
  TestDir dir;
  const int count = GetParam();
  dir.Write("src/one.txt", "x");
  // One small source stored under `count` names keeps the file system out of the way.
  TKolZip zip;
  int next = 0;
  zip.OnStoreFile = [&](TObject&, std::u16string& name, std::int32_t&, std::string&, const std::u16string&) {
    char text[32];
    std::snprintf(text, sizeof text, "f%05d.txt", next++);
    name = platform::Utf8ToUtf16(text);
  };
  zip.SetFileName(PathText(dir / "a.zip"));
  zip.OpenArchive(kModeCreate);
  zip.SetBaseDir(PathText(dir / "src"));
  zip.BeginUpdate();
  for (int i = 0; i < count; ++i) zip.AddFiles(u"one.txt", kDefaultSearchAttr, u"");
  zip.EndUpdate();
  zip.CloseArchive();
  const fs::path archive = dir / "a.zip";
  const WrittenArchive w = ReadWritten(ReadFile(archive));
  ASSERT_EQ(w.entries.size(), static_cast<std::size_t>(count));
  EXPECT_EQ(w.entries.back().name, count == 65535 ? "f65534.txt" : "f65535.txt");
  EXPECT_TRUE(w.zip64);
  EXPECT_EQ(w.end.entriesCentralDir, 0xFFFF);
  EXPECT_EQ(w.zip64_end.entriesCentralDir, static_cast<std::uint64_t>(count));
  // Every peer tests every entry and extracts all of them (to its standard output).
  const std::string all(static_cast<std::size_t>(count), 'x');
  const std::string commands[][2] = {
      {"unzip -tq " + Quote(archive), "unzip -p " + Quote(archive)},
      {"7z t " + Quote(archive), "7z x -so " + Quote(archive)},
      {"bsdtar -tf " + Quote(archive) + " > /dev/null", "bsdtar -xOf " + Quote(archive)},
      {"python3 -c 'import zipfile,sys; z=zipfile.ZipFile(sys.argv[1]); sys.exit(z.testzip() is not None or len(z.namelist()) != " +
           std::to_string(count) + ")' " + Quote(archive),
       "python3 -c 'import zipfile,sys; z=zipfile.ZipFile(sys.argv[1]); sys.stdout.write(\"\".join(z.read(n).decode() for n in z.namelist()))' " +
           Quote(archive)},
  };
  for (const auto& c : commands) {
    const Result t = RunCommand(c[0]);
    EXPECT_EQ(t.status, 0) << c[0] << "\n" << t.output.substr(0, 2000);
    EXPECT_EQ(t.output.find("arning"), std::string::npos) << c[0];
    Result x;
    FILE* pipe = ::popen((c[1] + " 2>/dev/null").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char buffer[65536];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) x.output.append(buffer, n);
    EXPECT_EQ(::pclose(pipe), 0) << c[1];
    EXPECT_TRUE(x.output == all) << c[1] << " gave " << x.output.size() << " bytes";
  }
}

INSTANTIATE_TEST_SUITE_P(Counts, InteropEntryCounts, ::testing::Values(65535, 65536));

TEST_F(Interop, PackageBehindAStubIsListedCleanly) {
  TestDir dir;
  // A real Windows program as the stub, as in a package (7z opens a broken "MZ" file as PE).
  const fs::path program = "/usr/lib/i386-linux-gnu/wine/i386-windows/hostname.exe";
  dir.Write("stub.exe", fs::exists(program) ? ReadFile(program) : std::string(4321, '\x90'));
  dir.Write("src/a.dll", Content(80000, 1));
  dir.Write("src/mendkit.ini", "[mendKit]\r\nmkName=Test\r\n");
  TKolZip zip;
  zip.SetFileName(PathText(dir / "p.exe"));
  zip.SetSFXStub(PathText(dir / "stub.exe"));
  zip.OpenArchive(kModeCreate);
  zip.SetBaseDir(PathText(dir / "src"));
  zip.AddFiles(u"*.*", kDefaultSearchAttr, u"");
  zip.CloseArchive();
  for (const std::string& command : {"unzip -l " + Quote(dir / "p.exe"), "7z l " + Quote(dir / "p.exe")}) {
    const Result r = RunCommand(command);
    EXPECT_EQ(r.status, 0) << command << "\n" << r.output;
    EXPECT_EQ(r.output.find("arning"), std::string::npos) << command << "\n" << r.output;
    EXPECT_NE(r.output.find("mendkit.ini"), std::string::npos) << command << "\n" << r.output;
  }
  CheckWithPeers(dir / "p.exe", dir / "src", dir.path());
}

}  // namespace
}  // namespace kv::archive::test
