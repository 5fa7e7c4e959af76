#pragma once
// The recording regsvr32 stand-in of the fixtures folder, put first on PATH for one test.
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/test_dir.h"

namespace kv::registration {

class Regsvr32StandIn {
 public:
  explicit Regsvr32StandIn(const test::TestDir& dir);
  ~Regsvr32StandIn();
  Regsvr32StandIn(const Regsvr32StandIn&) = delete;
  Regsvr32StandIn& operator=(const Regsvr32StandIn&) = delete;

  // Calls ending with `suffix` exit with `code`.
  void FailFor(const std::string& suffix, int code = 5);
  void SleepSeconds(const std::string& seconds);

  // One entry per call: its arguments.
  std::vector<std::vector<std::string>> Calls() const;

 private:
  void Set(const char* name, const std::string& value);
  std::string record_;
  std::vector<std::pair<std::string, std::string>> saved_;  // variables to restore
};

}  // namespace kv::registration
