#include "tests/registration/posix/regsvr32_stand_in.h"

#include <fstream>
#include <sstream>

#include "tests/registration/batch_harness.h"

namespace kv::registration {

Regsvr32StandIn::Regsvr32StandIn(const test::TestDir& dir) : record_((dir / "regsvr32-calls.txt").string()) {
  const char* path = std::getenv("PATH");
  Set("PATH", FixtureLibrary("regsvr32").parent_path().string() + ":" + (path ? path : "/usr/bin:/bin"));
  Set("KV_REGSVR32_LOG", record_);
}

Regsvr32StandIn::~Regsvr32StandIn() {
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
    if (it->second == "\x01unset")
      unsetenv(it->first.c_str());
    else
      setenv(it->first.c_str(), it->second.c_str(), 1);
  }
}

void Regsvr32StandIn::Set(const char* name, const std::string& value) {
  const char* old = std::getenv(name);
  saved_.emplace_back(name, old ? old : "\x01unset");
  setenv(name, value.c_str(), 1);
}

void Regsvr32StandIn::FailFor(const std::string& suffix, int code) {
  Set("KV_REGSVR32_FAIL_SUFFIX", suffix);
  Set("KV_REGSVR32_FAIL_CODE", std::to_string(code));
}

void Regsvr32StandIn::SleepSeconds(const std::string& seconds) { Set("KV_REGSVR32_SLEEP", seconds); }

std::vector<std::vector<std::string>> Regsvr32StandIn::Calls() const {
  std::vector<std::vector<std::string>> calls;
  std::ifstream in(record_);
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> arguments;
    std::stringstream parts(line);
    std::string argument;
    while (std::getline(parts, argument, '|')) arguments.push_back(argument);
    calls.push_back(arguments);
  }
  return calls;
}

}  // namespace kv::registration
