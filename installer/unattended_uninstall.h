#pragma once
// The uninstaller's command line, kept apart from the installation's switches:
//   uninstall.exe /U [/S] [/LOG=FILE]
// removes the installation in the uninstaller's own folder: with /S unattended, writing the
// lines a person would see to FILE (ANSI, CR LF), else through the window. It ends with an
// UninstallStatus (installer/uninstallation.h). The running uninstaller cannot delete itself:
// once the work is done it starts a copy of itself from the temporary folder,
//   <copy> /CLEANUP=FOLDER
// which removes "FOLDER\uninstall.exe" as soon as the uninstaller has ended and then the folder
// when it is empty (at the next restart what it cannot remove now), and goes itself at restart.
#include <optional>
#include <string>
#include <vector>

#include "installer/uninstallation.h"

namespace kv::installer {

struct UninstallOptions {
  bool silent = false;
  std::optional<std::u16string> log_file;
};

// The options when the arguments (program name excluded) hold "/U", else nothing. Switches
// match without regard to case; other arguments are ignored.
std::optional<UninstallOptions> ParseUninstall(const std::vector<std::u16string>& arguments);
// The folder of "/CLEANUP=FOLDER", else nothing.
std::optional<std::u16string> ParseCleanUp(const std::vector<std::u16string>& arguments);

// The unattended uninstall of the folder holding `program_path`. Never throws.
int RunUnattendedUninstall(const UninstallOptions& options, const std::u16string& program_path,
                           UninstallServices services);

// After an uninstall run by the uninstaller at `program_path`: starts the copy that removes it
// (see above); when the running program is not that folder's uninstaller, removes the
// uninstaller and the empty folder at once. A copy that cannot be started leaves both to the
// next restart.
void HandOverUninstallerRemoval(const std::u16string& folder, const std::u16string& program_path);

// The copy's work for "/CLEANUP=FOLDER". Returns 0.
int RunCleanUp(const std::u16string& folder, const std::u16string& program_path);

// The folder of a program path, without trailing backslash.
std::u16string FolderOf(const std::u16string& program_path);

}  // namespace kv::installer
