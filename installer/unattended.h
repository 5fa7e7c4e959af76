#pragma once
// Unattended installation for scripts and deployment tools:
//   PACKAGE.exe /S [/D=FOLDER] [/KEEP] [/LOG=FILE]
// installs with no window into the manifest's folder (or FOLDER), replacing existing files unless
// /KEEP, writes the lines a person would see to FILE (ANSI, CR LF) and ends with a status:
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "registration/runner.h"

namespace kv::installer {

enum UnattendedStatus : int {
  kInstalled = 0,           // everything extracted and every library registered
  kRegistrationFailed = 1,  // some library failed to register
  kExtractionFailed = 2,    // the extraction failed or gave up on a member
  kNoAdministrator = 3,     // no administrator rights
  kNoPackage = 4,           // the file holds no usable package
};

struct UnattendedOptions {
  std::optional<std::u16string> destination;
  bool keep_existing = false;
  std::optional<std::u16string> log_file;
  std::vector<std::u16string> ignored;  // arguments that are no switch of this form
};

// The options when the arguments (program name excluded) hold "/S", else nothing. Switches match
// without regard to case and in any order. "/D=" takes its own argument (quoted when the folder
// holds spaces) and the words after it up to the next one starting with "/", so an unquoted
// folder with spaces still arrives whole.
std::optional<UnattendedOptions> ParseUnattended(const std::vector<std::u16string>& arguments);

// Test seams; empty members take the real platform check and registration core.
struct UnattendedHooks {
  std::function<bool()> is_administrator;
  std::function<registration::RegistrationResult(const std::u16string& path)> register_library;
};

// Installs the package held by `program_path` as the window would, with no window and no question.
// Both manifest copies are removed at the end. Never throws; returns an UnattendedStatus.
int RunUnattended(const UnattendedOptions& options, const std::u16string& program_path,
                  const UnattendedHooks& hooks = {});

}  // namespace kv::installer
