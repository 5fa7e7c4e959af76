#include "platform/process.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/unicode.h"

extern char** environ;

namespace kv::platform {
namespace {

bool IsExecutableFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// The program's file: a name with a "/" as it is, a bare name searched along PATH.
std::optional<std::string> FindProgram(const std::string& program) {
  if (program.find('/') != std::string::npos)
    return IsExecutableFile(program) ? std::optional(program) : std::nullopt;
  const char* path = std::getenv("PATH");
  std::string folders = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= folders.size()) {
    size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    const std::string folder = end > start ? folders.substr(start, end - start) : ".";
    if (IsExecutableFile(folder + "/" + program)) return folder + "/" + program;
    start = end + 1;
  }
  return std::nullopt;
}

}  // namespace

std::optional<StartedProcess> StartedProcess::StartHidden(const std::u16string& program,
                                                          const std::u16string& parameters, void*) {
  const auto file = FindProgram(Utf16ToUtf8(program));
  if (!file) return std::nullopt;
  std::vector<std::string> arguments{*file};
  for (const auto& argument : SplitCommandLine(parameters)) arguments.push_back(Utf16ToUtf8(argument));
  std::vector<char*> argv;
  for (auto& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, file->c_str(), nullptr, nullptr, argv.data(), environ) != 0) return std::nullopt;
  return StartedProcess(pid);
}

std::optional<std::uint32_t> StartedProcess::Poll() {
  if (exit_code_ || id_ == kNone) return exit_code_;
  int status = 0;
  const pid_t done = waitpid(static_cast<pid_t>(id_), &status, WNOHANG);
  if (done == 0) return std::nullopt;
  id_ = kNone;
  if (done < 0) return exit_code_ = kUnknownExitCode;
  if (WIFEXITED(status)) return exit_code_ = static_cast<std::uint32_t>(WEXITSTATUS(status));
  return exit_code_ = 128u + static_cast<std::uint32_t>(WTERMSIG(status));
}

// A child still running is left alone: it is reaped when this process ends.
void StartedProcess::Release() { id_ = kNone; }

}  // namespace kv::platform
