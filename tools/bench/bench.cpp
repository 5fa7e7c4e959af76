// kv-bench [FOLDER]: kolvane-cli beside the usual tools on the same data, every step in a child
// process of its own so that its time and peak memory are its alone, each step run several
// times (the median counts). Sections: building at level 1 (zip -1, 7z with both cores), the
// archive made with 1, 2 and 8 threads compared byte for byte, extracting (unzip, bsdtar, 7z),
// testing against the inflate floor, listing generated archives of many small entries
// (unzip -l, unzip -Z1), the same with names crafted to collide in a weak hash, and
// kolvane-cli.exe under Wine when one is given.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "archive/kolzip.h"
#include "platform/unicode.h"

namespace {

namespace fs = std::filesystem;
using kv::archive::TKolZip;

constexpr const char* kDefaultFolder = "/usr/lib/i386-linux-gnu/wine/i386-windows";

std::u16string Text(const fs::path& p) { return kv::platform::Utf8ToUtf16(fs::absolute(p).string()); }

// --- Child modes: the engine alone, for what kolvane-cli does not offer ---

int BuildArchive(const fs::path& folder, const fs::path& archive, std::size_t threads) {
  TKolZip zip;
  zip.SetFileName(Text(archive));
  zip.SetCompressionMode(1);
  zip.SetCompressionThreads(threads);
  zip.OpenArchive(kv::archive::kModeCreate);
  zip.SetBaseDir(Text(folder));
  zip.AddFiles(u"*.*", kv::archive::kDefaultSearchAttr, u"");
  zip.CloseArchive();
  return 0;
}

// The floor of testing: the whole archive read, every member inflated and its CRC taken, with
// zlib alone (the directory read by the engine beforehand).
int InflateFloor(const fs::path& archive) {
  TKolZip zip;
  zip.SetFileName(Text(archive));
  zip.OpenArchive(kv::archive::kModeReadShared);
  std::string bytes(static_cast<std::size_t>(fs::file_size(archive)), '\0');
  std::ifstream in(archive, std::ios::binary);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  const auto& dir = zip.DMHandle()->CDir;
  std::vector<unsigned char> out(1 << 20);
  int bad = 0;
  for (std::int32_t i = 0; i < dir.Count(); ++i) {
    const auto& item = dir[i];
    const std::size_t header = static_cast<std::size_t>(item.LocalHeaderOffset());
    const std::size_t name = static_cast<unsigned char>(bytes[header + 26]) | static_cast<unsigned char>(bytes[header + 27]) << 8;
    const std::size_t extra = static_cast<unsigned char>(bytes[header + 28]) | static_cast<unsigned char>(bytes[header + 29]) << 8;
    const auto* data = reinterpret_cast<const Bytef*>(bytes.data() + header + 30 + name + extra);
    uLong crc = crc32(0, nullptr, 0);
    if (item.CentralDir.compMethod == 0) {
      crc = crc32(crc, data, static_cast<uInt>(item.CompressedSize()));
    } else {
      z_stream z{};
      inflateInit2(&z, -MAX_WBITS);
      z.next_in = const_cast<Bytef*>(data);
      z.avail_in = static_cast<uInt>(item.CompressedSize());
      int rc = Z_OK;
      while (rc == Z_OK) {
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        rc = inflate(&z, Z_NO_FLUSH);
        crc = crc32(crc, out.data(), static_cast<uInt>(out.size() - z.avail_out));
      }
      inflateEnd(&z);
    }
    if (crc != item.CentralDir.crc32) ++bad;
  }
  return bad == 0 ? 0 : 1;
}

void Le(std::string& out, std::uint64_t v, int width) {
  for (int i = 0; i < width; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// Ordinary names: folders of a thousand entries.
std::string FolderName(std::uint32_t i) {
  char name[64];
  std::snprintf(name, sizeof name, "folder%04u/entry%07u.txt", i / 1000, i);
  return name;
}

// Hostile names: four characters repeated 16 places later, so that a hash rotating by two bits
// per character (and any hash blind to such swaps) gives them all one value.
std::string CollidingName(std::uint32_t i) {
  static constexpr char kAlphabet[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string head;
  for (int d = 0; d < 4; ++d, i /= 36) head += kAlphabet[i % 36];
  return head + "/hostile/pad" + head + ".txt";
}

// An archive of `count` small stored entries, written directly.
void WriteManyEntries(const fs::path& archive, std::uint32_t count,
                      const std::function<std::string(std::uint32_t)>& name_of = FolderName) {
  std::ofstream out(archive, std::ios::binary);
  std::string central;
  std::uint64_t offset = 0;
  std::string local;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::string name = name_of(i);
    char data[32];
    const int size = std::snprintf(data, sizeof data, "entry %u\n", i);
    const auto crc = static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data), static_cast<uInt>(size)));
    const std::size_t name_size = name.size();
    local.clear();
    Le(local, 0x04034b50, 4); Le(local, 20, 2); Le(local, 0, 2); Le(local, 0, 2);
    Le(local, 0x6000, 2); Le(local, 0x5a21, 2); Le(local, crc, 4); Le(local, size, 4); Le(local, size, 4);
    Le(local, name_size, 2); Le(local, 0, 2);
    local.append(name).append(data, static_cast<std::size_t>(size));
    out.write(local.data(), static_cast<std::streamsize>(local.size()));
    Le(central, 0x02014b50, 4); Le(central, 20, 2); Le(central, 20, 2); Le(central, 0, 2); Le(central, 0, 2);
    Le(central, 0x6000, 2); Le(central, 0x5a21, 2); Le(central, crc, 4); Le(central, size, 4); Le(central, size, 4);
    Le(central, name_size, 2); Le(central, 0, 2); Le(central, 0, 2); Le(central, 0, 2); Le(central, 0, 2);
    Le(central, 0x20, 4); Le(central, offset, 4);
    central.append(name);
    offset += local.size();
  }
  std::string end;
  const bool zip64 = count >= 0xFFFF;
  if (zip64) {
    Le(end, 0x06064b50, 4); Le(end, 44, 8); Le(end, 45, 2); Le(end, 45, 2); Le(end, 0, 4); Le(end, 0, 4);
    Le(end, count, 8); Le(end, count, 8); Le(end, central.size(), 8); Le(end, offset, 8);
    Le(end, 0x07064b50, 4); Le(end, 0, 4); Le(end, offset + central.size(), 8); Le(end, 1, 4);
  }
  Le(end, 0x06054b50, 4); Le(end, 0, 2); Le(end, 0, 2);
  Le(end, zip64 ? 0xFFFF : count, 2); Le(end, zip64 ? 0xFFFF : count, 2);
  Le(end, central.size(), 4); Le(end, offset, 4); Le(end, 0, 2);
  out.write(central.data(), static_cast<std::streamsize>(central.size()));
  out.write(end.data(), static_cast<std::streamsize>(end.size()));
}

// Opens the archive and looks every member up by its name, which builds the name index.
int LookUpEveryName(const fs::path& archive) {
  TKolZip zip;
  zip.SetFileName(Text(archive));
  zip.OpenArchive(kv::archive::kModeReadShared);
  auto& dir = zip.DMHandle()->CDir;
  int missed = 0;
  for (std::int32_t i = 0; i < dir.Count(); ++i) {
    std::int32_t found = -1;
    if (!dir.FileExists(dir[i].Name, found) || found != i) ++missed;
  }
  return missed == 0 ? 0 : 1;
}

// --- Measuring ---

struct Measure {
  double seconds = 0;
  long peak_kib = 0;
  int status = -1;
};

// Runs `args` in `directory` as a child process and measures it alone.
Measure RunOnce(const std::vector<std::string>& args, const fs::path& directory) {
  Measure m;
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(directory.c_str()) != 0) _exit(127);
    const int null_fd = ::open("/dev/null", O_WRONLY);
    if (null_fd >= 0) {
      dup2(null_fd, 1);
      dup2(null_fd, 2);
    }
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  m.peak_kib = usage.ru_maxrss;
  m.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return m;
}

int Runs() {
  const char* runs = std::getenv("KV_BENCH_RUNS");
  return runs ? std::max(1, std::atoi(runs)) : 5;
}

// The median time and the largest peak of several runs; `before` runs ahead of each (to
// clear an output folder), unmeasured.
Measure Run(const std::vector<std::string>& args, const fs::path& directory, const std::function<void()>& before = {}) {
  std::vector<double> times;
  Measure result;
  result.status = 0;
  for (int i = 0; i < Runs(); ++i) {
    if (before) before();
    const Measure m = RunOnce(args, directory);
    times.push_back(m.seconds);
    result.peak_kib = std::max(result.peak_kib, m.peak_kib);
    if (m.status != 0) result.status = m.status;
  }
  std::sort(times.begin(), times.end());
  result.seconds = times[times.size() / 2];
  return result;
}

std::uint64_t FolderBytes(const fs::path& folder) {
  std::uint64_t total = 0;
  for (const auto& e : fs::recursive_directory_iterator(folder))
    if (e.is_regular_file()) total += e.file_size();
  return total;
}

void Row(const char* what, const Measure& m, double megabytes) {
  std::printf("  %-30s %7.3f s %8.1f MB/s %8.1f MiB peak%s\n", what, m.seconds, megabytes / m.seconds,
              m.peak_kib / 1024.0, m.status == 0 ? "" : "  (FAILED)");
}

// kolvane-cli's time over the peer's (below 1: faster) and its peak over the peer's.
void Ratio(const char* what, const Measure& ours, const Measure& peer) {
  std::printf("  %-30s time %5.2f x   peak memory %5.2f x\n", what, ours.seconds / peer.seconds,
              static_cast<double>(ours.peak_kib) / static_cast<double>(peer.peak_kib));
}

struct Setup {
  fs::path self;
  fs::path cli;       // kolvane-cli
  fs::path wine_cli;  // kolvane-cli.exe, may be empty
  std::string wine;   // what runs it
  fs::path folder;
  fs::path work;
  double mb = 0;
};

// --- Sections ---

// A Linux path as a Windows program under Wine sees it (Z: is the root).
std::string WinePath(const fs::path& path) {
  std::string text = "Z:" + path.string();
  std::replace(text.begin(), text.end(), '/', '\\');
  return text;
}

void CreateSection(const Setup& s) {
  const auto clear = [&] {
    for (const char* name : {"kv.zip", "zip.zip", "7z.zip"}) fs::remove(s.work / name);
  };
  const Measure ours = Run({s.cli.string(), "create", (s.work / "kv.zip").string(), "."}, s.folder, clear);
  const Measure zip = Run({"zip", "-1", "-r", "-q", (s.work / "zip.zip").string(), "."}, s.folder, clear);
  const Measure sz = Run({"7z", "a", "-tzip", "-mx=1", (s.work / "7z.zip").string(), "."}, s.folder, clear);
  // The archives the later sections read.
  RunOnce({s.cli.string(), "create", (s.work / "kv.zip").string(), "."}, s.folder);
  RunOnce({"zip", "-1", "-r", "-q", (s.work / "zip.zip").string(), "."}, s.folder);
  std::printf("create at level 1:\n");
  Row("kolvane-cli create", ours, s.mb);
  Row("zip -1", zip, s.mb);
  Row("7z a -tzip -mx=1", sz, s.mb);
  RunOnce({"7z", "a", "-tzip", "-mx=1", (s.work / "7z.zip").string(), "."}, s.folder);
  const double kv_size = static_cast<double>(fs::file_size(s.work / "kv.zip"));
  const double zip_size = static_cast<double>(fs::file_size(s.work / "zip.zip"));
  std::printf("  archive sizes: kolvane %.2f MB, zip -1 %.2f MB (%+.2f %%), 7z %.2f MB\n", kv_size / 1e6,
              zip_size / 1e6, 100.0 * (kv_size - zip_size) / zip_size,
              static_cast<double>(fs::file_size(s.work / "7z.zip")) / 1e6);
  Ratio("vs zip -1", ours, zip);
  Ratio("vs 7z (both cores)", ours, sz);
}

std::string FileBytes(const fs::path& path) {
  std::string bytes(static_cast<std::size_t>(fs::file_size(path)), '\0');
  std::ifstream in(path, std::ios::binary);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

void ThreadsSection(const Setup& s) {
  std::vector<std::string> archives;
  for (const char* threads : {"1", "2", "8"}) {
    const fs::path archive = s.work / (std::string("threads") + threads + ".zip");
    const Measure m = RunOnce({s.self.string(), "--build", s.folder.string(), archive.string(), threads}, s.work);
    std::printf("  engine with %s thread(s): %.3f s%s\n", threads, m.seconds, m.status == 0 ? "" : "  (FAILED)");
    archives.push_back(FileBytes(archive));
    fs::remove(archive);
  }
  const bool same = archives[0] == archives[1] && archives[0] == archives[2] && !archives[0].empty();
  std::printf("  archives made with 1, 2 and 8 threads: %s\n", same ? "byte-identical" : "DIFFERENT");
}

void ExtractSection(const Setup& s) {
  const fs::path out = s.work / "out";
  const auto clear = [&] { fs::remove_all(out); };
  const Measure ours = Run({s.cli.string(), "extract", (s.work / "kv.zip").string(), out.string()}, s.work, clear);
  const Measure unzip = Run({"unzip", "-q", "-o", (s.work / "zip.zip").string(), "-d", out.string()}, s.work, clear);
  const Measure bsdtar = Run({"sh", "-c", "mkdir -p '" + out.string() + "' && bsdtar -xf '" +
                                              (s.work / "zip.zip").string() + "' -C '" + out.string() + "'"},
                             s.work, clear);
  const Measure sz = Run({"7z", "x", "-y", "-o" + out.string(), (s.work / "7z.zip").string()}, s.work, clear);
  clear();
  std::printf("extract:\n");
  Row("kolvane-cli extract", ours, s.mb);
  Row("unzip", unzip, s.mb);
  Row("bsdtar -x", bsdtar, s.mb);
  Row("7z x", sz, s.mb);
  Ratio("vs unzip", ours, unzip);
  Ratio("vs bsdtar", ours, bsdtar);
  const Measure test = Run({s.cli.string(), "test", (s.work / "kv.zip").string()}, s.work);
  const Measure floor = Run({s.self.string(), "--inflate-floor", (s.work / "kv.zip").string()}, s.work);
  const Measure unzip_test = Run({"unzip", "-tq", (s.work / "kv.zip").string()}, s.work);
  std::printf("test (inflate and CRC, nothing written):\n");
  Row("kolvane-cli test", test, s.mb);
  Row("inflate floor (zlib alone)", floor, s.mb);
  Row("unzip -t", unzip_test, s.mb);
  Ratio("vs the inflate floor", test, floor);
}

void ListSection(const Setup& s) {
  for (std::uint32_t count : {100000u, 1000000u}) {
    const fs::path archive = s.work / ("many" + std::to_string(count) + ".zip");
    WriteManyEntries(archive, count);
    const double mb = static_cast<double>(fs::file_size(archive)) / 1e6;
    const Measure ours = Run({s.cli.string(), "list", archive.string()}, s.work);
    const Measure json = Run({s.cli.string(), "list", "--json", archive.string()}, s.work);
    const Measure unzip = Run({"unzip", "-l", archive.string()}, s.work);
    const Measure names = Run({"unzip", "-Z1", archive.string()}, s.work);
    std::printf("list %u entries (%.1f MB archive):\n", count, mb);
    Row("kolvane-cli list", ours, mb);
    Row("kolvane-cli list --json", json, mb);
    Row("unzip -l", unzip, mb);
    Row("unzip -Z1", names, mb);
    Ratio("list vs unzip -l", ours, unzip);
    if (!s.wine_cli.empty()) {
      const Measure wine = Run({s.wine, s.wine_cli.string(), "list", WinePath(archive)}, s.work);
      Row("kolvane-cli.exe list (Wine)", wine, mb);
    }
    fs::remove(archive);
  }
}

// Names crafted to share one hash value beside ordinary ones, in archives of the same size:
// listing, and opening with every name looked up (the name index built).
void HostileNamesSection(const Setup& s) {
  constexpr std::uint32_t kCount = 160000;
  const fs::path ordinary = s.work / "ordinary-names.zip";
  const fs::path hostile = s.work / "colliding-names.zip";
  WriteManyEntries(ordinary, kCount);
  WriteManyEntries(hostile, kCount, CollidingName);
  std::printf("hostile names, %u entries (%.1f MB archives):\n", kCount, static_cast<double>(fs::file_size(hostile)) / 1e6);
  for (const auto& [label, archive] : {std::pair{"ordinary", ordinary}, std::pair{"colliding", hostile}}) {
    const Measure list = Run({s.cli.string(), "list", archive.string()}, s.work);
    const Measure lookup = Run({s.self.string(), "--look-up-names", archive.string()}, s.work);
    const double mb = static_cast<double>(fs::file_size(archive)) / 1e6;
    Row((std::string("list, ") + label).c_str(), list, mb);
    Row((std::string("look up every name, ") + label).c_str(), lookup, mb);
  }
  fs::remove(ordinary);
  fs::remove(hostile);
}

// The Windows build under Wine on the same folder: no peers, the Linux figures above beside it.
void WineSection(const Setup& s) {
  if (s.wine_cli.empty()) return;
  const fs::path archive = s.work / "wine.zip";
  const fs::path out = s.work / "wine-out";
  const std::vector<std::string> create_args = {s.wine, s.wine_cli.string(), "create", WinePath(archive), "."};
  const Measure create = Run(create_args, s.folder, [&] { fs::remove(archive); });
  RunOnce(create_args, s.folder);
  const Measure extract = Run({s.wine, s.wine_cli.string(), "extract", WinePath(archive), WinePath(out)}, s.work,
                              [&] { fs::remove_all(out); });
  const Measure test = Run({s.wine, s.wine_cli.string(), "test", WinePath(archive)}, s.work);
  fs::remove_all(out);
  std::printf("kolvane-cli.exe under Wine (same folder):\n");
  Row("create", create, s.mb);
  Row("extract", extract, s.mb);
  Row("test", test, s.mb);
  fs::remove(archive);
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "--build" && argc == 5) return BuildArchive(argv[2], argv[3], std::stoul(argv[4]));
    if (mode == "--inflate-floor" && argc == 3) return InflateFloor(argv[2]);
    if (mode == "--look-up-names" && argc == 3) return LookUpEveryName(argv[2]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kv-bench: %s\n", e.what());
    return 1;
  }
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each line as it is measured
  Setup s;
  s.folder = fs::absolute(argc > 1 ? argv[1] : kDefaultFolder);
  s.work = fs::temp_directory_path() / ("kv-bench-" + std::to_string(getpid()));
  fs::create_directories(s.work);
  s.self = fs::canonical("/proc/self/exe");
  const char* cli = std::getenv("KV_BENCH_CLI");
  s.cli = cli ? fs::path(cli) : s.self.parent_path().parent_path() / "kolvane-cli" / "kolvane-cli";
  if (const char* wine_cli = std::getenv("KV_BENCH_WINE_CLI")) s.wine_cli = wine_cli;
  const char* wine = std::getenv("KV_BENCH_WINE");
  s.wine = wine ? wine : "wine";
  s.mb = static_cast<double>(FolderBytes(s.folder)) / 1e6;
  std::printf("kv-bench: %s, %.1f MB; medians of %d runs; ratios are kolvane-cli over the peer\n",
              s.folder.c_str(), s.mb, Runs());
  // $KV_BENCH_SECTIONS (names separated by commas) runs only those sections.
  static constexpr std::pair<const char*, void (*)(const Setup&)> kSections[] = {
      {"create", CreateSection}, {"threads", ThreadsSection},        {"extract", ExtractSection},
      {"list", ListSection},     {"hostile", HostileNamesSection}, {"wine", WineSection},
  };
  const char* only = std::getenv("KV_BENCH_SECTIONS");
  for (const auto& [name, section] : kSections)
    if (!only || ("," + std::string(only) + ",").find("," + std::string(name) + ",") != std::string::npos) section(s);
  fs::remove_all(s.work);
  return 0;
}
