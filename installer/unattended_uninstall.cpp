#include "installer/unattended_uninstall.h"

#include <exception>

#include "controls/memory_controls.h"
#include "package/errors.h"
#include "platform/file_removal.h"
#include "platform/file_system.h"
#include "platform/process.h"
#include "platform/temp_files.h"
#include "platform/text_file.h"

namespace kv::installer {
namespace {

// How long the copy waits for the uninstaller to end before it leaves it to the restart.
constexpr unsigned kUninstallerEndWaitMs = 30000;

std::u16string Upper(std::u16string_view text) {
  std::u16string upper(text);
  for (char16_t& c : upper)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  return upper;
}

bool SamePath(const std::u16string& a, const std::u16string& b) { return Upper(a) == Upper(b); }

}  // namespace

std::u16string FolderOf(const std::u16string& program_path) {
  const std::size_t slash = program_path.find_last_of(u"\\/");
  return slash == std::u16string::npos ? std::u16string() : program_path.substr(0, slash);
}

std::optional<UninstallOptions> ParseUninstall(const std::vector<std::u16string>& arguments) {
  UninstallOptions options;
  bool uninstall = false;
  for (const auto& argument : arguments) {
    const std::u16string upper = Upper(argument);
    if (upper == u"/U") uninstall = true;
    else if (upper == u"/S") options.silent = true;
    else if (upper.starts_with(u"/LOG=")) options.log_file = argument.substr(5);
  }
  if (!uninstall) return std::nullopt;
  return options;
}

std::optional<std::u16string> ParseCleanUp(const std::vector<std::u16string>& arguments) {
  for (const auto& argument : arguments)
    if (Upper(argument).starts_with(u"/CLEANUP=") && argument.size() > 9) return argument.substr(9);
  return std::nullopt;
}

int RunUnattendedUninstall(const UninstallOptions& options, const std::u16string& program_path,
                           UninstallServices services) {
  const std::u16string folder = FolderOf(program_path);
  ui::MemoryLineList log;
  ui::MemoryProgressBar progress;
  int status = kUninstalled;
  try {
    Uninstallation uninstallation(folder, std::move(services), log, progress);
    if (!uninstallation.Administrator()) status = kUninstallNoAdministrator;
    else if (!uninstallation.Record()) status = kNoRecord;
    else status = uninstallation.Run(true);
    if (status == kUninstalled || status == kUninstallLeftOver) HandOverUninstallerRemoval(folder, program_path);
  } catch (const std::exception& error) {
    log.Append(package::ErrorMessage(error));
    status = kUninstallLeftOver;
  }
  if (options.log_file) {
    try {
      platform::WriteAnsiLines(*options.log_file, log.Lines());
    } catch (const std::exception&) {
      // The status still tells the outcome when the log cannot be written.
    }
  }
  return status;
}

void HandOverUninstallerRemoval(const std::u16string& folder, const std::u16string& program_path) {
  if (platform::FileExists(RecordPath(folder))) return;  // something was left: the uninstaller stays
  if (!SamePath(program_path, UninstallerPath(folder))) {
    RemoveUninstaller(folder, 0);
    return;
  }
  try {
    // A unique name in the temporary folder, made runnable by its extension.
    const std::u16string reserved = platform::CreateUniqueTempFile(platform::TempFolder(), u"kvu");
    const std::u16string copy = reserved + u".exe";
    const bool copied = platform::CopyFileReplacing(program_path, copy);
    platform::DeleteFileAt(reserved);
    if (copied && platform::StartedProcess::StartHidden(copy, u"/CLEANUP=\"" + folder + u"\"")) return;
    platform::DeleteFileAt(copy);
  } catch (const std::exception&) {
    // No temporary folder: the restart removes the uninstaller.
  }
  platform::DeleteAtRestart(UninstallerPath(folder));
  platform::DeleteAtRestart(folder);
}

int RunCleanUp(const std::u16string& folder, const std::u16string& program_path) {
  RemoveUninstaller(folder, kUninstallerEndWaitMs);
  platform::DeleteAtRestart(program_path);
  return 0;
}

}  // namespace kv::installer
