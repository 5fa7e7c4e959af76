// Damaged and hostile archives made by other tools, checked against Python's zipfile: archives
// written by streaming writers (Info-ZIP zip reading standard input or writing to a pipe,
// Python's zipfile writing to a stream it cannot seek) are listed as Python lists them, and
// with their central directory cut off they are recovered whole: the same entries, sizes and
// CRCs, and the same bytes extracted. Members that overlap are refused where Python refuses
// them. Run with KV_INTEROP=1 (the CTest entry labelled "interop" does so).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "archive/dir_manager.h"
#include "archive/stream.h"
#include "platform/unicode.h"
#include "tests/archive/archive_test_support.h"
#include "tests/archive/zip_fixture.h"

namespace kv::archive::test {
namespace {

using kv::test::TestDir;
namespace fs = std::filesystem;

struct ReadingZip : TKolZip {
  using TKZBaseArchiver::ExtractItemToStream;
};

std::unique_ptr<ReadingZip> OpenReading(const fs::path& file) {
  auto zip = std::make_unique<ReadingZip>();
  zip->SetFileName(kv::test::PathText(file));
  zip->OpenArchive(kModeReadShared);
  return zip;
}

std::string RunShell(const std::string& command, int& status) {
  std::string output;
  FILE* pipe = ::popen(("LC_ALL=C.UTF-8 " + command + " 2>&1").c_str(), "r");
  if (!pipe) return output;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  const int raw = ::pclose(pipe);
  status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return output;
}

std::string Quote(const fs::path& p) { return "'" + p.string() + "'"; }

// Python writing members to a stream it cannot seek: flag bit 3 and descriptors throughout.
constexpr const char* kPythonStreaming = R"PY(
import io, sys, zipfile
class Pipe(io.RawIOBase):
    def __init__(self, f): self.f = f
    def writable(self): return True
    def write(self, b): return self.f.write(b)
    def seekable(self): return False
method = zipfile.ZIP_STORED if sys.argv[2] == "stored" else zipfile.ZIP_DEFLATED
with open(sys.argv[1], "wb") as f, zipfile.ZipFile(Pipe(f), "w", method) as z:
    # The stored archive comes first, so that its end record lies beyond the end record search.
    for name, data in [("nested.zip", open("inner.zip", "rb").read()), ("a.txt", b"alpha " * 12000), ("empty.txt", b"")]:
        with z.open(name, "w", force_zip64=sys.argv[3] == "zip64") as m:
            m.write(data)
    z.writestr("docs/", b"")
)PY";

// What Python's zipfile reads: one line per member, "name<TAB>size<TAB>crc<TAB>ok|refused".
constexpr const char* kPythonListing = R"PY(
import sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
for i in z.infolist():
    try:
        z.read(i)
        state = "ok"
    except Exception:
        state = "refused"
    print("%s\t%d\t%08x\t%s" % (i.filename, i.file_size, i.CRC, state))
)PY";

struct Listed {
  std::string name;
  std::uint64_t size = 0;
  std::uint32_t crc = 0;
  bool ok = false;
  bool operator==(const Listed&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Listed& l) {
  return out << l.name << " " << l.size << " " << std::hex << l.crc << std::dec << (l.ok ? " ok" : " refused");
}

std::vector<Listed> PythonListing(const TestDir& dir, const fs::path& archive, const std::string& python = "python3") {
  const fs::path script = dir.Write("listing.py", kPythonListing);
  int status = -1;
  std::istringstream lines(RunShell(python + " " + Quote(script) + " " + Quote(archive), status));
  std::vector<Listed> out;
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    Listed l;
    std::string size, crc, state;
    std::getline(fields, l.name, '\t');
    std::getline(fields, size, '\t');
    std::getline(fields, crc, '\t');
    std::getline(fields, state);
    l.size = std::stoull(size);
    l.crc = static_cast<std::uint32_t>(std::stoul(crc, nullptr, 16));
    l.ok = state == "ok";
    out.push_back(l);
  }
  return out;
}

// The engine's listing, each member read into memory (folders count as read); the bytes of
// the members by name into `contents` when given.
std::vector<Listed> EngineListing(ReadingZip& zip, std::map<std::string, std::string>* contents = nullptr) {
  std::vector<Listed> out;
  const TKZDirArray& dir = zip.DMHandle()->CDir;
  for (std::int32_t i = 0; i < dir.Count(); ++i) {
    Listed l{platform::Utf16ToUtf8(dir[i].Name), dir[i].UncompressedSize(), dir[i].CentralDir.crc32, true};
    TKZMemoryStream bytes;
    const bool folder = dir[i].IsFolder() || l.name.back() == '/';
    if (!folder) l.ok = NativeErrorOf([&] { zip.ExtractItemToStream(i, bytes); }) == -1;
    if (contents) (*contents)[l.name] = bytes.bytes();
    out.push_back(l);
  }
  return out;
}

class RecoveryInterop : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("KV_INTEROP")) GTEST_SKIP() << "peer checks run with KV_INTEROP=1";
  }
};

struct PeerCase {
  const char* label;
  const char* command;  // run in the test folder; makes out.zip from a.txt and inner.zip
};

const PeerCase kPeerCases[] = {
    {"zip writing to a pipe", "cat a.txt | zip -q - - | cat > out.zip"},
    {"zip writing to a pipe, no Zip64", "cat a.txt | zip -q -fz- - - | cat > out.zip"},
    {"zip reading standard input", "cat a.txt | zip -q out.zip -"},
    {"Python streaming, deflated", "python3 streaming.py out.zip deflated plain"},
    {"Python streaming, stored", "python3 streaming.py out.zip stored plain"},
    {"Python streaming, deflated, Zip64", "python3 streaming.py out.zip deflated zip64"},
    {"Python streaming, stored, Zip64", "python3 streaming.py out.zip stored zip64"},
};

TEST_F(RecoveryInterop, StreamedArchivesListAsPythonReadsThemAndRecoverWholeWithoutTheirDirectory) {
  for (const PeerCase& c : kPeerCases) {
    TestDir dir;
    std::string text;
    for (int i = 0; i < 2000; ++i) text += "line " + std::to_string(i * 7919 % 1000) + "\n";
    dir.Write("a.txt", text);
    dir.Write("inner.zip", BuildZip({{"inner-a.txt", "aaa"}, {"inner-b.txt", "bbb"}}).bytes);
    dir.Write("streaming.py", kPythonStreaming);
    int status = -1;
    const std::string output = RunShell("cd " + Quote(dir.path()) + " && " + c.command, status);
    ASSERT_EQ(status, 0) << c.label << ": " << output;

    std::map<std::string, std::string> intact_bytes;
    auto intact = OpenReading(dir / "out.zip");
    const auto listed = EngineListing(*intact, &intact_bytes);
    EXPECT_EQ(listed, PythonListing(dir, dir / "out.zip")) << c.label;
    const std::int64_t directory = intact->DMHandle()->CentralDirOffset;
    intact.reset();

    // The same archive without its central directory and end records.
    const std::string whole = kv::test::ReadFile(dir / "out.zip");
    dir.Write("cut.zip", whole.substr(0, static_cast<std::size_t>(directory)));
    std::map<std::string, std::string> recovered_bytes;
    auto recovered = OpenReading(dir / "cut.zip");
    EXPECT_EQ(EngineListing(*recovered, &recovered_bytes), listed) << c.label;
    EXPECT_TRUE(recovered_bytes == intact_bytes) << c.label << ": recovered members read other bytes";
  }
}

TEST_F(RecoveryInterop, OverlappingMembersAreRefusedWherePythonRefusesThem) {
  const std::vector<FixtureEntry> entries = {
      {"m0.txt", "zero"}, {"m1.txt", std::string(200, '1')}, {"m2.txt", "two"}, {"m3.txt", "three"}};
  const auto built = BuildZip(entries);
  constexpr std::int64_t kCentral = 46 + 6;
  struct Damage {
    const char* label;
    std::int64_t at;
    std::uint32_t value;
  };
  const Damage damages[] = {
      {"two records name one local header", built.directory_offset + 2 * kCentral + 42,
       static_cast<std::uint32_t>(built.local_offsets[0])},
      {"a record's size runs into the next member", built.directory_offset + 1 * kCentral + 20, 260},
      {"a record points into another member's header", built.directory_offset + 3 * kCentral + 42,
       static_cast<std::uint32_t>(built.local_offsets[2] + 1)},
  };
  // Python's zipfile refuses overlapping members since its 2024 security releases; the
  // distribution's interpreter has that, a newer one in the path may not.
  std::string python;
  for (const char* candidate : {"/usr/bin/python3", "python3"}) {
    int status = -1;
    RunShell(std::string(candidate) + " -c 'import zipfile,inspect,sys; sys.exit(\"_end_offset\" not in inspect.getsource(zipfile))'",
        status);
    if (status == 0) {
      python = candidate;
      break;
    }
  }
  if (python.empty()) GTEST_SKIP() << "no Python whose zipfile refuses overlapping members";
  for (const Damage& d : damages) {
    TestDir dir;
    std::string bytes = built.bytes;
    Put32(bytes, d.at, d.value);
    const fs::path file = dir.Write("overlap.zip", bytes);
    auto zip = OpenReading(file);
    const auto ours = EngineListing(*zip);
    const auto theirs = PythonListing(dir, file, python);
    ASSERT_EQ(ours.size(), theirs.size()) << d.label;
    for (std::size_t i = 0; i < ours.size(); ++i) EXPECT_EQ(ours[i].ok, theirs[i].ok) << d.label << ": " << ours[i].name;
  }
}

}  // namespace
}  // namespace kv::archive::test
