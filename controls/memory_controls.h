#pragma once
// The control interfaces of controls/controls.h with no window behind them: plain state that the
// handlers read and write. The unattended installation and the command line run the windows'
// handlers over them, and the tests build their scripted controls on them. Whoever stands in
// for the person in front of the window (a run log, the console) watches through the on_*
// hooks; nothing here asks anyone anything, so every question gets its preset answer and every
// dialog is cancelled. No <windows.h> here.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "controls/controls.h"

namespace kv::ui {

class MemoryText : public TextControl {
 public:
  explicit MemoryText(std::u16string text = {}) : text_(std::move(text)) {}
  std::u16string Text() const override { return text_; }
  void SetText(const std::u16string& text) override;

  // Called with the new text after each SetText that changed the text.
  std::function<void(const std::u16string& text)> on_change;

 private:
  std::u16string text_;
};

class MemoryEnable : public EnableControl {
 public:
  explicit MemoryEnable(bool enabled = true) : enabled_(enabled) {}
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }

 private:
  bool enabled_;
};

class MemoryTickBox : public TickBox {
 public:
  explicit MemoryTickBox(bool checked = false) : checked_(checked) {}
  bool Checked() const override { return checked_; }
  void SetChecked(bool checked) override { checked_ = checked; }

 private:
  bool checked_;
};

// Keeps its position within 0..100, as a real progress bar does.
class MemoryProgressBar : public ProgressBar {
 public:
  int Position() const override { return position_; }
  void SetPosition(int position) override;

 private:
  int position_ = 0;
};

class MemoryCheckList : public CheckList {
 public:
  int Count() const override { return static_cast<int>(entries_.size()); }
  std::u16string Name(int index) const override { return At(index).name; }
  bool Checked(int index) const override { return At(index).checked; }
  void SetChecked(int index, bool checked) override { At(index).checked = checked; }
  void Clear() override;
  void Add(const std::u16string& name) override { entries_.push_back({name, false, {}}); }
  int SelectedIndex() const override { return selected_; }
  // An index outside -1..Count()-1 is reported as a misuse and kept all the same.
  void SetSelectedIndex(int index) override;
  void SetNote(int index, const std::u16string& note) override { At(index).note = note; }

  std::u16string Note(int index) const { return At(index).note; }
  std::vector<std::u16string> Names() const;
  // Ticks every entry whose name is one of `names`; other entries keep their ticks.
  void TickNames(const std::vector<std::u16string>& names);

 protected:
  // Called when an entry outside the list is read or written (which then throws
  // std::out_of_range) or selected. A handler doing so has a bug that a real list box would
  // hide behind an error value, so whoever can tell (a test) says so here.
  virtual void Misused(const std::string& what) const;

 private:
  struct Entry {
    std::u16string name;
    bool checked;
    std::u16string note;
  };
  Entry& At(int index);
  const Entry& At(int index) const;
  std::vector<Entry> entries_;
  int selected_ = -1;
};

class MemoryLineList : public LineList {
 public:
  int Count() const override { return static_cast<int>(lines_.size()); }
  std::u16string Line(int index) const override { return lines_.at(static_cast<std::size_t>(index)); }
  void Append(const std::u16string& line) override;

  const std::vector<std::u16string>& Lines() const { return lines_; }
  // Called with each line after it was appended.
  std::function<void(const std::u16string& line)> on_append;

 private:
  std::vector<std::u16string> lines_;
};

// Each box is handed to on_show and answered at once by `answer` (empty: Ok).
class MemoryMessageBoxes : public MessageBoxes {
 public:
  MessageAnswer Show(const std::u16string& text, const std::u16string& caption, MessageKind kind,
                     MessageButtons buttons) override;

  std::function<void(const std::u16string& text, MessageKind kind)> on_show;
  std::function<MessageAnswer(MessageButtons buttons)> answer;
};

// Nobody picks a file: always cancelled.
class MemorySaveDialog : public SaveDialog {
 public:
  std::optional<std::u16string> Execute() override { return std::nullopt; }
};

// Nobody picks a folder: always cancelled.
class MemoryFolderPicker : public FolderPicker {
 public:
  std::optional<std::u16string> Browse(const std::u16string& /*caption*/) override { return std::nullopt; }
};

// There are no window messages to process; the end is requested by the owner of the run.
class MemoryMessagePump : public MessagePump {
 public:
  void ProcessMessages() override {}
  bool TerminateRequested() const override { return terminate_requested_; }
  void RequestTerminate() { terminate_requested_ = true; }

 private:
  bool terminate_requested_ = false;
};

}  // namespace kv::ui
