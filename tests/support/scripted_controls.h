#pragma once
// What tests add to the in-memory controls of controls/memory_controls.h: a record of what the
// handlers did (every text and position set, focus moves, boxes shown), answers to boxes and
// pickers taken from a script (first in, first out), and a message pump that runs scripted
// actions, which is how a test clicks a button "while" a long operation waits. A check-list
// read outside its entries fails the test.
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "controls/memory_controls.h"

namespace kv::test {

class RecordingText : public ui::MemoryText {
 public:
  using MemoryText::MemoryText;
  void SetText(const std::u16string& text) override;
  void SetFocus() override { ++focus_count; }

  std::vector<std::u16string> history;  // every text set, in order, repeats included
  int focus_count = 0;
};

class RecordingProgressBar : public ui::MemoryProgressBar {
 public:
  void SetPosition(int position) override;

  std::vector<int> history;  // every position after its clamping, in order
};

class StrictCheckList : public ui::MemoryCheckList {
 protected:
  void Misused(const std::string& what) const override;
};

struct ShownMessage {
  std::u16string text;
  std::u16string caption;
  ui::MessageKind kind;
  ui::MessageButtons buttons;
};

class ScriptedMessageBoxes : public ui::MemoryMessageBoxes {
 public:
  ui::MessageAnswer Show(const std::u16string& text, const std::u16string& caption, ui::MessageKind kind,
                         ui::MessageButtons buttons) override;

  std::deque<ui::MessageAnswer> answers;  // scripted; when empty, the in-memory boxes' answer
  std::vector<ShownMessage> shown;
};

class ScriptedSaveDialog : public ui::MemorySaveDialog {
 public:
  std::optional<std::u16string> Execute() override;
  void SuggestName(const std::u16string& name) override { suggested.push_back(name); }

  std::deque<std::optional<std::u16string>> answers;  // scripted; when empty, cancelled
  int executed = 0;
  std::vector<std::u16string> suggested;  // every name offered, in order
};

class ScriptedFolderPicker : public ui::MemoryFolderPicker {
 public:
  std::optional<std::u16string> Browse(const std::u16string& caption) override;
  void StartAt(const std::u16string& folder) override { start_folders.push_back(folder); }

  std::deque<std::optional<std::u16string>> answers;  // scripted; when empty, cancelled
  std::vector<std::u16string> captions;
  std::vector<std::u16string> start_folders;  // every folder a browse was to open at, in order
};

// Each ProcessMessages call runs the next scripted action, if any ("the user clicked").
class ScriptedMessagePump : public ui::MemoryMessagePump {
 public:
  void ProcessMessages() override;

  std::deque<std::function<void()>> actions;
  long long calls = 0;
};

}  // namespace kv::test
