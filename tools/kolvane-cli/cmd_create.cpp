// kolvane-cli create [--stub FILE] [--level 0-9] [--exclude MASK]... ARCHIVE PATH...: adds
// files and folders to a new or existing archive, names relative to the current folder.
#ifdef _WIN32
#include <io.h>
#define KV_ISATTY _isatty
#define KV_FILENO _fileno
#else
#include <unistd.h>
#define KV_ISATTY isatty
#define KV_FILENO fileno
#endif

#include <cstdio>
#include <memory>

#include "platform/file_system.h"
#include "tools/kolvane-cli/cli_support.h"
#include "tools/kolvane-cli/commands.h"

namespace kv::cli {
namespace {

struct CreateArguments {
  std::string archive;
  std::vector<std::string> paths;
  std::string stub;
  int level = 1;
  std::vector<std::string> excludes;
};

// The overall share on one line that rewrites itself, only when stderr is a terminal.
class ProgressLine {
 public:
  ProgressLine() : shown_(KV_ISATTY(KV_FILENO(stderr)) != 0) {}
  ~ProgressLine() {
    if (shown_ && printed_) std::fprintf(stderr, "\n");
  }
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;
  void Show(double percent) {
    if (!shown_) return;
    std::fprintf(stderr, "\rcreate: %3d%%", static_cast<int>(percent));
    std::fflush(stderr);
    printed_ = true;
  }

 private:
  bool shown_;
  bool printed_ = false;
};

int RunCreate(const CreateArguments& args) {
  const std::u16string archive_path = platform::FullPath(PathArgument(args.archive));
  const bool exists = platform::FileExists(archive_path);
  if (exists && !args.stub.empty()) {
    ReportError(args.archive, "--stub applies only to a new archive");
    return kExitUsage;
  }
  // Files are added as themselves; a folder as itself and everything below it.
  int missing = 0;
  archive::TStrings masks;
  for (const std::string& path : args.paths) {
    const std::u16string full = platform::FullPath(PathArgument(path));
    if (platform::FolderExists(full)) {
      masks.push_back(full);
      masks.push_back(full + (full.back() == u'\\' ? u"*.*" : u"\\*.*"));
    } else if (platform::FileExists(full)) {
      masks.push_back(full);
    } else {
      ReportError(path, "not found");
      ++missing;
    }
  }

  archive::TKolZip zip;
  ProgressLine progress;
  int failures = 0;
  zip.SetFileName(archive_path);
  zip.SetCompressionMode(args.level);
  if (!args.stub.empty()) zip.SetSFXStub(platform::FullPath(PathArgument(args.stub)));
  zip.SetBaseDir(platform::CurrentFolder());
  zip.FileMasks() = masks;
  for (const std::string& mask : args.excludes) zip.ExclusionMasks().push_back(PathArgument(mask));
  zip.OnOverallProgress = [&](archive::TObject&, double percent, archive::TKZProcessOperation,
                              archive::TKZProgressPhase, bool&) { progress.Show(percent); };
  zip.OnProcessFileFailure = [&](archive::TObject&, const std::u16string& name, archive::TKZProcessOperation,
                                 std::int32_t, std::int32_t, const std::u16string& message,
                                 archive::TKZAction& action) {
    ++failures;
    ReportError(args.archive + ": " + Utf8(name), Utf8(message));
    action = archive::fxaIgnore;
  };
  try {
    zip.OpenArchive(exists ? archive::kModeReadWriteDenyWrite : archive::kModeCreate);
  } catch (const std::exception& error) {
    ReportError(args.archive, error.what());
    return kExitUsage;
  }
  // Once the archive is open, a failure while writing it is a failed run, not a misuse: the
  // archive keeps what it held before.
  try {
    if (!masks.empty()) zip.AddFiles();
    zip.CloseArchive();
  } catch (const std::exception& error) {
    zip.CloseArchive();
    ReportError(args.archive, error.what());
    return kExitMemberFailed;
  }
  return failures || missing ? kExitMemberFailed : kExitOk;
}

CommandRun SetupCreate(CLI::App& command) {
  auto args = std::make_shared<CreateArguments>();
  command.add_option("ARCHIVE", args->archive, "The archive to create or add to")->required();
  command.add_option("PATH", args->paths, "Files and folders to add (a folder with everything below it)")
      ->required();
  command.add_option("--stub", args->stub, "Program to put in front of a new archive (self-extracting)");
  command.add_option("--level", args->level, "Compression level, 0 (store) to 9 (default 1)")
      ->check(CLI::Range(0, 9));
  command.add_option("--exclude", args->excludes, "Leave out what matches this mask (may be repeated)")
      ->allow_extra_args(false);
  command.footer(
      "Names are stored relative to the current folder with \"/\" separators; an existing entry of the "
      "same name is replaced. A source that cannot be read is reported and left out.");
  return [args] { return RunCreate(*args); };
}

}  // namespace

extern const CommandSpec kCreateCommand{"create", "Add files and folders to a new or existing archive", SetupCreate};

}  // namespace kv::cli
