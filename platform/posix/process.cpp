#include "platform/process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

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

std::uint32_t ExitCodeOf(int status) {
  if (WIFEXITED(status)) return static_cast<std::uint32_t>(WEXITSTATUS(status));
  return 128u + static_cast<std::uint32_t>(WTERMSIG(status));
}

}  // namespace

std::optional<StartedProcess> StartedProcess::StartHidden(const std::u16string& program,
                                                          const std::u16string& parameters, void*, bool) {
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
  return exit_code_ = ExitCodeOf(status);
}

StartedProcess::Wake StartedProcess::WaitForEndOrInput(std::uint32_t milliseconds) {
  // waitpid has no timeout: look again every few milliseconds, so that the end is seen soon
  // after it happens while the processor is left alone in between.
  constexpr auto kStep = std::chrono::milliseconds(5);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    if (Poll() || id_ == kNone) return Wake::Ended;
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return Wake::TimedOut;
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(kStep, deadline - now));
  }
}

void StartedProcess::Terminate() {
  if (exit_code_ || id_ == kNone) return;
  const auto pid = static_cast<pid_t>(id_);
  kill(pid, SIGKILL);  // fails only when it has already ended, and then the wait reaps it
  int status = 0;
  pid_t done = 0;
  do {
    done = waitpid(pid, &status, 0);
  } while (done < 0 && errno == EINTR);
  id_ = kNone;
  exit_code_ = done < 0 ? kUnknownExitCode : ExitCodeOf(status);
}

// A child still running is left alone: it is reaped when this process ends.
void StartedProcess::Release() { id_ = kNone; }

}  // namespace kv::platform
