// Peer check: the exports and imports the reader finds in real libraries of both bitnesses
// against what binutils' objdump (the mingw-w64 builds, `objdump -p`) prints for them.
// Skipped when objdump or the Wine libraries are absent.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <ostream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "inspection/pe_image.h"
#include "tests/inspection/pe_test_files.h"
#include "tests/support/test_dir.h"

namespace kv::inspection {
namespace {

using test::Bitness;

struct PeerView {
  std::vector<PeExport> exports;
  std::vector<std::string> imports;
};

std::string Output(const std::string& command) {
  std::string out;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[4096];
    while (std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, got);
    ::pclose(pipe);
  }
  return out;
}

// Reads objdump's "Export Address Table" (for forwarders), its "[Ordinal/Name Pointer] Table"
// (names in name-table order, each with its address-table index) and its "DLL Name:" lines.
PeerView ParseObjdump(const std::string& text) {
  static const std::regex kForwarder(R"(^\s*\[\s*(\d+)\] \+base\[\s*\d+\] [0-9a-f]+ Forwarder RVA -- (\S+))");
  static const std::regex kName(R"(^\s*\[\s*(\d+)\] (\S+)$)");
  static const std::regex kDll(R"(^\s*DLL Name: (\S+))");
  PeerView view;
  std::map<int, std::string> forwarders;
  bool in_names = false;
  std::istringstream lines(text);
  std::smatch m;
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("PE File Base Relocations")) break;  // thousands of lines of no interest
    if (line.find("[Ordinal/Name Pointer] Table") != std::string::npos) {
      in_names = true;
    } else if (line.empty()) {
      in_names = false;
    } else if (line.find("Forwarder RVA") != std::string::npos && std::regex_search(line, m, kForwarder)) {
      forwarders[std::stoi(m[1])] = m[2];
    } else if (in_names && std::regex_search(line, m, kName)) {
      const auto forward = forwarders.find(std::stoi(m[1]));
      view.exports.push_back({m[2], forward == forwarders.end() ? "" : forward->second});
    } else if (line.find("DLL Name:") != std::string::npos && std::regex_search(line, m, kDll)) {
      view.imports.push_back(m[1]);
    }
  }
  return view;
}

struct PeerCase {
  const char* name;
  Bitness bitness;
  const char* file;
};
void PrintTo(const PeerCase& c, std::ostream* os) { *os << c.name; }

constexpr PeerCase kPeerFiles[] = {
    {"Ole32_x86", Bitness::x86, "ole32.dll"},       {"Ole32_x64", Bitness::x64, "ole32.dll"},
    {"Shell32_x86", Bitness::x86, "shell32.dll"},   {"Shell32_x64", Bitness::x64, "shell32.dll"},
    {"Kernel32_x86", Bitness::x86, "kernel32.dll"}, {"Kernel32_x64", Bitness::x64, "kernel32.dll"},
    {"Icmp_x86", Bitness::x86, "icmp.dll"},         {"Msvcrt_x64", Bitness::x64, "msvcrt.dll"},
    {"Comctl32_x86", Bitness::x86, "comctl32.dll"}, {"Attrib_x64", Bitness::x64, "attrib.exe"},
};

class ObjdumpPeer : public ::testing::TestWithParam<PeerCase> {};

TEST_P(ObjdumpPeer, SameExportsAndImports) {
  const PeerCase& c = GetParam();
  const std::string objdump =
      c.bitness == Bitness::x86 ? "i686-w64-mingw32-objdump" : "x86_64-w64-mingw32-objdump";
  if (Output("command -v " + objdump).empty()) GTEST_SKIP() << objdump << " not installed";
  if (!test::HaveWineSystemFiles(c.bitness)) GTEST_SKIP() << "Wine system libraries not installed";
  const auto path = test::WineSystemFile(c.bitness, c.file);
  const PeerView peer = ParseObjdump(Output(objdump + " -p '" + path.string() + "'"));
  ASSERT_FALSE(peer.imports.empty() && peer.exports.empty()) << "objdump printed no tables";

  const PeReadResult read = ReadPeImageFile(test::PathText(path));
  ASSERT_TRUE(read.image);
  EXPECT_EQ(read.problem, u"");
  EXPECT_EQ(read.image->imports, peer.imports);
  ASSERT_EQ(read.image->exports.size(), peer.exports.size());
  for (std::size_t i = 0; i < peer.exports.size(); ++i) {
    EXPECT_EQ(read.image->exports[i].name, peer.exports[i].name) << i;
    EXPECT_EQ(read.image->exports[i].forwarded_to, peer.exports[i].forwarded_to) << peer.exports[i].name;
  }
}

INSTANTIATE_TEST_SUITE_P(Wine, ObjdumpPeer, ::testing::ValuesIn(kPeerFiles),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kv::inspection
