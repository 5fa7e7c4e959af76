#pragma once
// The uninstaller's window: the installer window shows the installation to remove (name and
// folder), its button reads "Uninstall"; pressed, it asks first, then removes everything the
// record lists with the same progress bar, reports the outcome and closes.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "controls/controls.h"
#include "controls/memory_controls.h"
#include "installer/installation.h"
#include "installer/uninstallation.h"

namespace kv::installer {

struct UninstallWindowServices {
  ui::MessageBoxes& boxes;
  ui::MessagePump& pump;
  std::function<void()> close;
  std::function<void()> terminate;
  // Hands the uninstaller's own removal on once the work is done (default: none).
  std::function<void()> after_run;
  UninstallServices uninstall;  // its pump must be the same as above
};

class UninstallFlow {
 public:
  // `folder`: the uninstaller's own folder.
  UninstallFlow(InstallerControls controls, UninstallWindowServices services, std::u16string folder);

  // When the window is created: without administrator rights or without a record, the message
  // and the program's end; otherwise name and folder shown and the button enabled.
  void Show();
  // The button: "Remove X and all of its libraries?"; on Yes the run (controls disabled), then
  // its outcome (the log's lines when something was left) and the close. Ignored during a run.
  void Uninstall();
  bool Running() const { return running_; }
  // The status of the latest run; nothing before one.
  std::optional<int> Status() const { return status_; }
  const std::vector<std::u16string>& LogLines() const { return log_.Lines(); }

 private:
  InstallerControls controls_;
  UninstallWindowServices services_;
  ui::MemoryLineList log_;
  Uninstallation uninstallation_;
  bool running_ = false;
  std::optional<int> status_;
};

}  // namespace kv::installer
