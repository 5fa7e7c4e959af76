#pragma once
// What the registration tool's main window does with a batch of libraries: choosing the folder,
// ticking libraries, finding one by name, registering the ticked ones and saving the log. It
// works on the window's controls through the interfaces of controls/controls.h, so the Win32 window,
// kolvane-cli register and the tests share it.
#include "registration/runner.h"
#include "controls/controls.h"

#include <string>
#include <vector>

namespace kv::registration {

// What a run disables while it goes on, because each would change the run, and gives back as
// it found them. Save log is locked too (RegistrationControls::save_log).
struct RunLockedControls {
  ui::EnableControl& browse;          // Button2 "Browse..."
  ui::EnableControl& select_all;      // Button1
  ui::EnableControl& select_none;     // Button4
  ui::EnableControl& create_package;  // Button6 "Create MendKit"
  ui::EnableControl& library_list;    // ListBox1
  ui::EnableControl& search_field;    // Edit2
};

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
  ui::TextControl& register_button;  // Button3: its caption, "Register" or "Stop" during a run
  ui::TextControl& status_bar;       // StatusBar1: what the last listing or run did
  RunLockedControls locked;
};

class BatchRegistration {
 public:
  explicit BatchRegistration(const RegistrationControls& controls) : c_(controls), runner_(controls.pump) {}

  // Every registration processes messages, so handlers can be called while a run goes on.
  // The window disables what would change the run; besides, every handler that would change
  // it does nothing while Running(), so no click that slipped through starts or alters a run.

  // Button2 "Browse...": asks for a folder, opening at the current one; on confirmation the
  // list is rebuilt from it (ticks dropped) and the folder text becomes the folder followed by
  // "\". Cancel changes nothing. The status bar says what the listing found.
  void BrowseForFolder();
  // Edit1 Enter: lists the folder typed into the field as Browse lists a chosen one (a "\" is
  // added when the text does not end with one). An empty field changes nothing.
  void ListTypedFolder();
  // Button1 "Select all" / Button4 "Select none".
  void TickAll();
  void UntickAll();
  // Edit2's every change: selects the first entry beginning with the search text.
  void SelectSearchMatch();
  // Button3 "Register": registers the libraries ticked when it is pressed, in list order, with
  // progress, status and log. While the run goes on the button reads "Stop" and the controls
  // of RunLockedControls and Save log are disabled; all come back as they were at the end
  // (Save log then enabled). Pressed again during the run, it does nothing: a stop is StopRun.
  void RegisterTicked();
  // The Register button's menu and the list's right-click menu, "Unregister": asks
  // "Unregister N libraries?" and, on Yes, unregisters the ticked libraries (regsvr32 /u of each
  // one's bitness) in the same run as Register: progress, status, log block, Stop and locks.
  // Nothing ticked gives its error message and no question; No changes nothing.
  void UnregisterTicked();
  // Button3 while it reads "Stop": the run ends after the current library; the log's last
  // line before the closing rule and the end message say how many were not attempted.
  // Nothing happens when no run goes on.
  void StopRun();
  bool Running() const { return running_; }
  // Button5 "Save log...": writes the log lines to the chosen file (ANSI, CR LF), offering
  // "Kolvane.log". A file that cannot be written raises platform::PlatformError, shown by the
  // window's standard error box.
  void SaveLog();

  const RegistrationRunner& Runner() const { return runner_; }
  RegistrationRunner& Runner() { return runner_; }

 private:
  struct RunTally {
    int handled = 0;
    int failed = 0;
    int not_attempted = 0;
  };
  void ListFolder(const std::u16string& folder);
  void ShowVerdicts();
  std::vector<std::u16string> TickedPaths() const;
  void RefuseEmptyRun(const char16_t* message);
  void Run(const std::vector<std::u16string>& paths, Action action);
  void AppendLogHeader();
  RunTally RunEach(const std::vector<std::u16string>& paths, int step, Action action);
  void ReportEnd(const RunTally& tally, Action action);

  RegistrationControls c_;
  RegistrationRunner runner_;
  bool running_ = false;
  bool stop_requested_ = false;
};

// Progress figures of a run over `count` ticked libraries: the step added after each library
// and the rest added at the end, so that the bar ends at 100. `count` must be positive.
struct ProgressFigures {
  int step;
  int rest;
};
ProgressFigures ProgressFiguresFor(int count);

}  // namespace kv::registration
