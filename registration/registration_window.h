#pragma once
// The registration tool's main-window handlers for choosing a folder, ticking libraries,
// running the registration and saving the log. They work on the window's controls through
// the interfaces of ui/controls.h, so the Win32 window and the tests share them.
#include "registration/runner.h"
#include "ui/controls.h"

namespace kv::registration {

// The controls the handlers touch, owned by the window (they must outlive the handlers).
struct RegistrationControls {
  ui::TextControl& folder;          // Edit1: the folder, ending with "\" once chosen
  ui::CheckList& libraries;         // ListBox1
  ui::TextControl& search;          // Edit2
  ui::TickBox& silent;              // CheckBox1 "Silent"
  ui::ProgressBar& progress;        // Gauge1
  ui::TextControl& status;          // Label4
  ui::LineList& log;                // Memo1
  ui::EnableControl& save_log;      // Button5 "Save log..."
  ui::SaveDialog& save_log_dialog;  // SaveDialog1: "Log files (*.log)|*.log", extension ".log"
  ui::FolderPicker& folder_picker;
  ui::MessageBoxes& boxes;
  ui::MessagePump& pump;
};

class RegistrationWindow {
 public:
  explicit RegistrationWindow(const RegistrationControls& controls) : c_(controls), runner_(controls.pump) {}

  // Browse: asks for a folder; on confirmation the list is rebuilt from it (ticks dropped)
  // and the folder text becomes the folder followed by "\". Cancel changes nothing.
  void Button2Click();
  // Select all / Select none.
  void Button1Click();
  void Button4Click();
  // Every change of the search field selects the first entry beginning with its text.
  void Edit2Change();
  // Register: registers every ticked library in list order, with progress, status and log.
  void Button3Click();
  // Save log: writes the log lines to the chosen file (ANSI, CR LF). A file that cannot be
  // written raises platform::PlatformError, shown by the window's standard error box.
  void Button5Click();

  const RegistrationRunner& Runner() const { return runner_; }
  RegistrationRunner& Runner() { return runner_; }

 private:
  struct RunTally {
    int handled = 0;
    int failed = 0;
  };
  void ShowVerdicts();
  void AppendLogHeader();
  RunTally RegisterTicked(int step);
  void ReportEnd(const RunTally& tally);

  RegistrationControls c_;
  RegistrationRunner runner_;
};

// Progress figures of a run over `count` ticked libraries: the step added after each library
// and the rest added at the end, so that the bar ends at 100. `count` must be positive.
struct ProgressFigures {
  int step;
  int rest;
};
ProgressFigures ProgressFiguresFor(int count);

}  // namespace kv::registration
