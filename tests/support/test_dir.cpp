#include "tests/support/test_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

#include "platform/unicode.h"

namespace kv::test {
namespace fs = std::filesystem;
namespace {

std::string SafeName(std::string s) {
  for (char& c : s)
    if (!isalnum(static_cast<unsigned char>(c))) c = '_';
  return s;
}

// Build-tree paths arrive through the environment as Linux paths; under Wine the same
// files are reached through drive Z:.
fs::path FromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (!value) throw std::runtime_error(std::string("environment variable missing: ") + name);
#ifdef _WIN32
  std::string s = value;
  if (!s.empty() && s[0] == '/') s = "Z:" + s;
  for (char& c : s)
    if (c == '/') c = '\\';
  return fs::path(s);
#else
  return fs::path(value);
#endif
}

int ProcessId() {
#ifdef _WIN32
  return _getpid();
#else
  return getpid();
#endif
}

}  // namespace

TestDir::TestDir() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info ? SafeName(std::string(info->test_suite_name()) + "." + info->name()) : "test";
  // The process id keeps runs of the same case apart (ctest -j, or two build folders at once):
  // each would otherwise empty the other's folder.
  static int counter = 0;
  path_ = fs::temp_directory_path() / "kv-tests" /
          (name + "-" + std::to_string(ProcessId()) + "-" + std::to_string(++counter));
  fs::remove_all(path_);
  fs::create_directories(path_);
}

TestDir::~TestDir() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  if (info && info->result()->Failed()) return;  // kept for inspection
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::u16string TestDir::text() const { return PathText(path_); }

fs::path TestDir::Write(const std::string& relative, const std::string& bytes) const {
  fs::path file = path_ / fs::path(relative);
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + file.string());
  return file;
}

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + file.string());
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

fs::path SourceDir() { return FromEnvironment("KV_SOURCE_DIR"); }
fs::path BinaryDir() { return FromEnvironment("KV_BINARY_DIR"); }

std::u16string PathText(const fs::path& p) {
#ifdef _WIN32
  const std::wstring w = p.wstring();
  return std::u16string(w.begin(), w.end());
#else
  return platform::Utf8ToUtf16(p.string());
#endif
}

}  // namespace kv::test
