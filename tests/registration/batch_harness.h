#pragma once
// The registration tool's batch run wired to in-memory controls, and the test libraries.
#include <filesystem>
#include <string>
#include <vector>

#include "registration/batch_registration.h"
#include "tests/support/scripted_controls.h"
#include "tests/support/test_dir.h"

namespace kv::registration {

// Path of a library built into the fixtures folder (a.dll, c.dll, b.ocx, failing.dll, plain.dll).
std::filesystem::path FixtureLibrary(const std::string& name);

// Copies fixture libraries into `folder` (created when missing) under the given names:
// {"a.dll", "x.dll"} copies a.dll as x.dll.
void CopyFixture(const std::string& fixture, const std::filesystem::path& folder, const std::string& as);

struct BatchHarness {
  test::RecordingText folder;
  test::StrictCheckList libraries;
  test::RecordingText search;
  ui::MemoryTickBox silent{true};
  test::RecordingProgressBar progress;
  test::RecordingText status{u"(waiting)"};
  ui::MemoryLineList log;
  ui::MemoryEnable save_log{false};
  test::ScriptedSaveDialog save_log_dialog;
  test::ScriptedFolderPicker picker;
  test::ScriptedMessageBoxes boxes;
  test::ScriptedMessagePump pump;
  test::RecordingText register_button{u"Register"};
  test::RecordingText status_bar{u"Pick a folder to list its COM libraries."};
  ui::MemoryEnable browse, select_all, select_none, create_package, library_list, search_field;
  BatchRegistration batch{RegistrationControls{
      folder, libraries, search, silent, progress, status, log, save_log, save_log_dialog, picker, boxes,
      pump, register_button, status_bar,
      RunLockedControls{browse, select_all, select_none, create_package, library_list, search_field}}};

  // Whether each control a run locks is enabled, in the order of RunLockedControls, then Save log.
  std::vector<bool> LockedStates() const;

  // Browses to `folder` (through the scripted picker) and ticks the given names.
  void BrowseAndTick(const std::u16string& chosen, const std::vector<std::u16string>& ticked);
};

// The lines of the log block one run writes for these result lines (header date and time
// taken from the block itself, checked to have their prefixes).
std::vector<std::u16string> ExpectedBlock(const std::vector<std::u16string>& log_block,
                                          const std::vector<std::u16string>& result_lines);

// The result lines of a log: every line ending in " OK!" or " failed.", without the cause lines.
std::vector<std::u16string> ResultLines(const std::vector<std::u16string>& log);

}  // namespace kv::registration
