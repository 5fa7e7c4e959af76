#pragma once
// The installer window's controls with no window behind them, for the unattended installation:
// what a person would read (memo lines, the file being processed, messages) goes to a log, and
// questions are answered as an unattended run must: keep an existing file when asked whether to
// replace it (the replace-or-keep choice is made by the overwrite mode beforehand), skip a member
// that fails.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "installer/installer_window.h"
#include "ui/controls.h"

namespace kv::installer {

class RunLog {
 public:
  void Add(const std::u16string& line) { lines.push_back(line); }
  std::vector<std::u16string> lines;
};

class LoggedLines : public ui::LineList {
 public:
  explicit LoggedLines(RunLog& log) : log_(log) {}
  int Count() const override { return static_cast<int>(lines_.size()); }
  std::u16string Line(int index) const override { return lines_.at(static_cast<std::size_t>(index)); }
  void Append(const std::u16string& line) override;

 private:
  RunLog& log_;
  std::vector<std::u16string> lines_;
};

// A label whose every new text is logged (a repeat of the same text is not).
class LoggedLabel : public ui::TextControl {
 public:
  explicit LoggedLabel(RunLog& log) : log_(log) {}
  std::u16string Text() const override { return text_; }
  void SetText(const std::u16string& text) override;

 private:
  RunLog& log_;
  std::u16string text_;
};

class PlainText : public ui::TextControl {
 public:
  std::u16string Text() const override { return text_; }
  void SetText(const std::u16string& text) override { text_ = text; }

 private:
  std::u16string text_;
};

class PlainTickBox : public ui::TickBox {
 public:
  bool Checked() const override { return checked_; }
  void SetChecked(bool checked) override { checked_ = checked; }

 private:
  bool checked_ = true;
};

class PlainProgressBar : public ui::ProgressBar {
 public:
  int Position() const override { return position_; }
  void SetPosition(int position) override { position_ = position; }

 private:
  int position_ = 0;
};

class LoggedMessageBoxes : public ui::MessageBoxes {
 public:
  explicit LoggedMessageBoxes(RunLog& log) : log_(log) {}
  ui::MessageAnswer Show(const std::u16string& text, const std::u16string& caption, ui::MessageKind kind,
                         ui::MessageButtons buttons) override;

 private:
  RunLog& log_;
};

class NoFolderPicker : public ui::FolderPicker {
 public:
  std::optional<std::u16string> Browse(const std::u16string&) override { return std::nullopt; }
};

class IdlePump : public ui::MessagePump {
 public:
  void ProcessMessages() override {}
  bool TerminateRequested() const override { return false; }
};

// Every control of the installer window, and the window's close.
struct HeadlessWindow {
  RunLog log;
  LoggedLines Memo1{log};
  PlainText edPath;
  PlainTickBox cboverwrite;
  LoggedLabel Label2{log};
  PlainProgressBar pbProgress;
  LoggedMessageBoxes boxes{log};
  NoFolderPicker picker;
  IdlePump pump;
  std::function<bool()> on_close_query;
  bool closed = false;

  InstallerControls Controls() { return {Memo1, edPath, cboverwrite, Label2, pbProgress}; }
  // Asks the close query once the window is still open; closes when it agrees.
  void Close();
};

}  // namespace kv::installer
