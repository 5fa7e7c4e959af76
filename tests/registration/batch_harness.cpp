#include "tests/registration/batch_harness.h"

#include <gtest/gtest.h>

#include "registration/texts.h"

namespace kv::registration {

std::filesystem::path FixtureLibrary(const std::string& name) {
  return test::BinaryDir() / "tests" / "fixtures" / "libraries" / name;
}

void CopyFixture(const std::string& fixture, const std::filesystem::path& folder, const std::string& as) {
  std::filesystem::create_directories(folder);
  std::filesystem::copy_file(FixtureLibrary(fixture), folder / as,
                             std::filesystem::copy_options::overwrite_existing);
}

void BatchHarness::BrowseAndTick(const std::u16string& chosen, const std::vector<std::u16string>& ticked) {
  picker.answers.push_back(chosen);
  batch.BrowseForFolder();
  libraries.TickNames(ticked);
}

std::vector<bool> BatchHarness::LockedStates() const {
  std::vector<bool> states;
  for (const ui::MemoryEnable* control :
       {&browse, &select_all, &select_none, &create_package, &library_list, &search_field, &save_log})
    states.push_back(control->Enabled());
  return states;
}

std::vector<std::u16string> ExpectedBlock(const std::vector<std::u16string>& log_block,
                                          const std::vector<std::u16string>& result_lines) {
  std::vector<std::u16string> expected{kLogTitle};
  const auto line = [&](size_t i) { return i < log_block.size() ? log_block[i] : std::u16string(); };
  expected.push_back(line(1).rfind(kLogDatePrefix, 0) == 0 ? line(1) : u"<date line>");
  expected.push_back(line(2).rfind(kLogTimePrefix, 0) == 0 ? line(2) : u"<time line>");
  expected.push_back(kLogRule);
  expected.insert(expected.end(), result_lines.begin(), result_lines.end());
  expected.push_back(kLogRule);
  return expected;
}

std::vector<std::u16string> ResultLines(const std::vector<std::u16string>& log) {
  const auto ends_with = [](const std::u16string& line, std::u16string_view end) {
    return line.size() >= end.size() && line.compare(line.size() - end.size(), end.size(), end) == 0;
  };
  std::vector<std::u16string> results;
  for (const auto& line : log)
    if (ends_with(line, kResultOk) || ends_with(line, kResultFailed)) results.push_back(line);
  return results;
}

}  // namespace kv::registration
