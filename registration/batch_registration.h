#pragma once
// What the registration tool's main window does with a batch of libraries: choosing the folder,
// ticking libraries, finding one by name, registering the ticked ones and saving the log. It
// works on the window's controls through the interfaces of controls/controls.h, so the Win32 window,
// kolvane-cli register and the tests share it.
#include "registration/runner.h"
#include "controls/controls.h"

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

class BatchRegistration {
 public:
  explicit BatchRegistration(const RegistrationControls& controls) : c_(controls), runner_(controls.pump) {}

  // Button2 "Browse...": asks for a folder; on confirmation the list is rebuilt from it (ticks
  // dropped) and the folder text becomes the folder followed by "\". Cancel changes nothing.
  void BrowseForFolder();
  // Button1 "Select all" / Button4 "Select none".
  void TickAll();
  void UntickAll();
  // Edit2's every change: selects the first entry beginning with the search text.
  void SelectSearchMatch();
  // Button3 "Register": registers every ticked library in list order, with progress, status
  // and log.
  void RegisterTicked();
  // Button5 "Save log...": writes the log lines to the chosen file (ANSI, CR LF). A file that
  // cannot be written raises platform::PlatformError, shown by the window's standard error box.
  void SaveLog();

  const RegistrationRunner& Runner() const { return runner_; }
  RegistrationRunner& Runner() { return runner_; }

 private:
  struct RunTally {
    int handled = 0;
    int failed = 0;
  };
  void ShowVerdicts();
  void AppendLogHeader();
  RunTally RegisterEachTicked(int step);
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
