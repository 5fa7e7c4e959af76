#pragma once
// In-memory controls and dialogs for driving window handlers in tests. Message boxes and
// pickers answer from a script (first in, first out) and record what they were asked; the
// message pump runs scripted actions, which is how a test clicks a button "while" a long
// operation waits.
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/controls.h"

namespace kv::test {

class FakeText : public ui::TextControl {
 public:
  explicit FakeText(std::u16string text = {}) : text_(std::move(text)) {}
  std::u16string Text() const override { return text_; }
  void SetText(const std::u16string& text) override {
    text_ = text;
    history.push_back(text);
  }
  void SetFocus() override { ++focus_count; }

  std::vector<std::u16string> history;  // every text set, in order
  int focus_count = 0;

 private:
  std::u16string text_;
};

class FakeEnable : public ui::EnableControl {
 public:
  explicit FakeEnable(bool enabled = true) : enabled_(enabled) {}
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }

 private:
  bool enabled_;
};

class FakeTickBox : public ui::TickBox {
 public:
  explicit FakeTickBox(bool checked = false) : checked_(checked) {}
  bool Checked() const override { return checked_; }
  void SetChecked(bool checked) override { checked_ = checked; }

 private:
  bool checked_;
};

// Clamps to 0..100 as a real progress bar does, and records every position set.
class FakeProgressBar : public ui::ProgressBar {
 public:
  int Position() const override { return position_; }
  void SetPosition(int position) override;

  std::vector<int> history;

 private:
  int position_ = 0;
};

class FakeCheckList : public ui::CheckList {
 public:
  int Count() const override { return static_cast<int>(entries_.size()); }
  std::u16string Name(int index) const override { return At(index).name; }
  bool Checked(int index) const override { return At(index).checked; }
  void SetChecked(int index, bool checked) override { At(index).checked = checked; }
  void Clear() override;
  void Add(const std::u16string& name) override { entries_.push_back({name, false, {}}); }
  int SelectedIndex() const override { return selected_; }
  void SetSelectedIndex(int index) override;
  void SetNote(int index, const std::u16string& note) override { At(index).note = note; }

  // Test helpers.
  std::u16string Note(int index) const { return At(index).note; }
  std::vector<std::u16string> Names() const;
  void TickNames(const std::vector<std::u16string>& names);

 private:
  struct Entry {
    std::u16string name;
    bool checked;
    std::u16string note;
  };
  // Reading outside the list is a fault of the code under test: fail loudly.
  Entry& At(int index);
  const Entry& At(int index) const;
  std::vector<Entry> entries_;
  int selected_ = -1;
};

class FakeLineList : public ui::LineList {
 public:
  int Count() const override { return static_cast<int>(lines.size()); }
  std::u16string Line(int index) const override { return lines.at(static_cast<size_t>(index)); }
  void Append(const std::u16string& line) override { lines.push_back(line); }

  std::vector<std::u16string> lines;
};

struct ShownMessage {
  std::u16string text;
  std::u16string caption;
  ui::MessageKind kind;
  ui::MessageButtons buttons;
};

class FakeMessageBoxes : public ui::MessageBoxes {
 public:
  ui::MessageAnswer Show(const std::u16string& text, const std::u16string& caption, ui::MessageKind kind,
                         ui::MessageButtons buttons) override;

  std::deque<ui::MessageAnswer> answers;  // scripted; when empty, default_answer
  ui::MessageAnswer default_answer = ui::MessageAnswer::Ok;
  std::vector<ShownMessage> shown;
};

class FakeSaveDialog : public ui::SaveDialog {
 public:
  std::optional<std::u16string> Execute() override;

  std::deque<std::optional<std::u16string>> answers;  // scripted; when empty, cancelled
  int executed = 0;
};

class FakeFolderPicker : public ui::FolderPicker {
 public:
  std::optional<std::u16string> Browse(const std::u16string& caption) override;

  std::deque<std::optional<std::u16string>> answers;  // scripted; when empty, cancelled
  std::vector<std::u16string> captions;
};

// Each ProcessMessages call runs the next scripted action, if any ("the user clicked").
class FakeMessagePump : public ui::MessagePump {
 public:
  void ProcessMessages() override;
  bool TerminateRequested() const override { return terminate_requested; }

  std::deque<std::function<void()>> actions;
  bool terminate_requested = false;
  long long calls = 0;
};

}  // namespace kv::test
