#pragma once
// Per-test scratch folders and paths to the source and build trees, as Windows paths in
// the Windows build (Z:\... under Wine) and as plain paths on Linux.
#include <filesystem>
#include <string>

namespace kv::test {

// A fresh folder for the running test, removed afterwards unless the test failed.
class TestDir {
 public:
  TestDir();
  ~TestDir();
  TestDir(const TestDir&) = delete;
  TestDir& operator=(const TestDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
  // The folder as the engine's UTF-16 text, without a trailing separator.
  std::u16string text() const;

  // Writes `bytes` to a file below the folder (parents created) and returns its path.
  std::filesystem::path Write(const std::string& relative, const std::string& bytes) const;

 private:
  std::filesystem::path path_;
};

std::string ReadFile(const std::filesystem::path& file);

// Root of the source tree and of the build tree (from the test's environment).
std::filesystem::path SourceDir();
std::filesystem::path BinaryDir();

// A path as UTF-16 text for the code under test.
std::u16string PathText(const std::filesystem::path& p);

}  // namespace kv::test
