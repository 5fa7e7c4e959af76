// kv-bench [FOLDER]: builds an archive at level 1 from FOLDER with the engine and extracts it
// again, then does the same with zip -1 / unzip and 7z, each in a child process of its own so
// that its time and peak memory are its alone, and prints MB/s, peak memory and the ratios.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/kolzip.h"
#include "platform/unicode.h"

namespace {

namespace fs = std::filesystem;
using kv::archive::TKolZip;

constexpr const char* kDefaultFolder = "/usr/lib/i386-linux-gnu/wine/i386-windows";

std::u16string Text(const fs::path& p) { return kv::platform::Utf8ToUtf16(fs::absolute(p).string()); }

int BuildArchive(const fs::path& folder, const fs::path& archive) {
  TKolZip zip;
  zip.SetFileName(Text(archive));
  zip.SetCompressionMode(1);
  zip.OpenArchive(kv::archive::kModeCreate);
  zip.SetBaseDir(Text(folder));
  zip.AddFiles(u"*.*", kv::archive::kDefaultSearchAttr, u"");
  zip.CloseArchive();
  return 0;
}

int ExtractArchive(const fs::path& archive, const fs::path& destination) {
  fs::create_directories(destination);
  TKolZip zip;
  zip.SetFileName(Text(archive));
  zip.OpenArchive(kv::archive::kModeReadShared);
  zip.SetBaseDir(Text(destination));
  zip.Options().SetOverwriteMode(kv::archive::omAlways);
  zip.ExtractFiles(u"*.*", kv::archive::kDefaultSearchAttr, u"");
  zip.CloseArchive();
  return 0;
}

struct Measure {
  double seconds = 0;
  long peak_kib = 0;
  int status = -1;
};

// Runs `args` in `directory` as a child process and measures it alone.
Measure Run(const std::vector<std::string>& args, const fs::path& directory) {
  Measure m;
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(directory.c_str()) != 0) _exit(127);
    const int null_fd = ::open("/dev/null", O_WRONLY);
    if (null_fd >= 0) dup2(null_fd, 1);
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

std::uint64_t FolderBytes(const fs::path& folder) {
  std::uint64_t total = 0;
  for (const auto& e : fs::recursive_directory_iterator(folder))
    if (e.is_regular_file()) total += e.file_size();
  return total;
}

void Row(const char* what, const Measure& m, double megabytes) {
  std::printf("  %-28s %8.1f MB/s %8.1f MiB peak  %6.2f s%s\n", what, megabytes / m.seconds, m.peak_kib / 1024.0,
              m.seconds, m.status == 0 ? "" : "  (FAILED)");
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "--build" && argc == 4) return BuildArchive(argv[2], argv[3]);
    if (mode == "--extract" && argc == 4) return ExtractArchive(argv[2], argv[3]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kv-bench: %s\n", e.what());
    return 1;
  }
  const fs::path folder = fs::absolute(argc > 1 ? argv[1] : kDefaultFolder);
  const fs::path work = fs::temp_directory_path() / ("kv-bench-" + std::to_string(getpid()));
  fs::create_directories(work);
  const std::string self = fs::canonical("/proc/self/exe").string();
  const double mb = static_cast<double>(FolderBytes(folder)) / 1e6;
  std::printf("kv-bench: %s, %.1f MB\n", folder.c_str(), mb);

  const Measure ours_build = Run({self, "--build", folder.string(), (work / "kv.zip").string()}, work);
  const Measure zip_build = Run({"zip", "-1", "-r", "-q", (work / "zip.zip").string(), "."}, folder);
  const Measure sz_build = Run({"7z", "a", "-tzip", "-mx=1", (work / "7z.zip").string(), "."}, folder);
  const Measure ours_extract = Run({self, "--extract", (work / "kv.zip").string(), (work / "kv-out").string()}, work);
  const Measure unzip_extract = Run({"unzip", "-q", "-o", (work / "zip.zip").string(), "-d", (work / "unzip-out").string()}, work);
  const Measure sz_extract = Run({"7z", "x", "-y", "-o" + (work / "7z-out").string(), (work / "7z.zip").string()}, work);

  std::printf("build at level 1:\n");
  Row("kolvane engine", ours_build, mb);
  Row("zip -1", zip_build, mb);
  Row("7z -tzip -mx=1", sz_build, mb);
  std::printf("extract:\n");
  Row("kolvane engine", ours_extract, mb);
  Row("unzip", unzip_extract, mb);
  Row("7z x", sz_extract, mb);
  std::printf("archive sizes: kolvane %.1f MB, zip %.1f MB, 7z %.1f MB\n", fs::file_size(work / "kv.zip") / 1e6,
              fs::file_size(work / "zip.zip") / 1e6, fs::file_size(work / "7z.zip") / 1e6);
  std::printf("ratios (kolvane / peer; speed above 1 is faster, memory below 1 is smaller):\n");
  std::printf("  build speed vs zip -1   %5.2f   peak memory vs zip -1  %5.2f\n", zip_build.seconds / ours_build.seconds,
              static_cast<double>(ours_build.peak_kib) / zip_build.peak_kib);
  std::printf("  build speed vs 7z       %5.2f   peak memory vs 7z      %5.2f\n", sz_build.seconds / ours_build.seconds,
              static_cast<double>(ours_build.peak_kib) / sz_build.peak_kib);
  std::printf("  extract speed vs unzip  %5.2f   peak memory vs unzip   %5.2f\n",
              unzip_extract.seconds / ours_extract.seconds, static_cast<double>(ours_extract.peak_kib) / unzip_extract.peak_kib);
  std::printf("  extract speed vs 7z     %5.2f   peak memory vs 7z      %5.2f\n", sz_extract.seconds / ours_extract.seconds,
              static_cast<double>(ours_extract.peak_kib) / sz_extract.peak_kib);
  fs::remove_all(work);
  return 0;
}
