#pragma once
// The installer window (TMainForm, "MendKit Installer (Powered by Kolvane)"): start-up from its own
// file, the installation run, the destination picker and the clean-up when the window closes.
#include <functional>
#include <string>
#include <vector>

#include "builder/recording_archiver.h"
#include "registration/runner.h"
#include "ui/controls.h"

namespace kv::installer {

struct InstallerControls {
  ui::LineList& Memo1;       // package name and description
  ui::TextControl& edPath;   // destination folder
  ui::TickBox& cboverwrite;  // "Overwrite existing files"
  ui::TextControl& Label2;   // "Processing: " + member name
  ui::ProgressBar& pbProgress;
};

struct InstallerServices {
  ui::MessageBoxes& boxes;  // also answers the engine's overwrite and failure questions
  ui::FolderPicker& picker;
  ui::MessagePump& pump;
  std::function<void()> close;      // closes the window, which asks FormCloseQuery first
  std::function<void()> terminate;  // requests the end of the program
  // The administrator check (default: the platform's check of the local machine).
  std::function<bool()> is_administrator;
  // Registers one library silently (default: the registration core).
  std::function<registration::RegistrationResult(const std::u16string& path)> register_library;
  std::u16string caption = u"Install";
};

inline constexpr char16_t kNoAdministratorText[] =
    u"For correct installation, program must be run with Administrator privileges! Aborting installation.";
inline constexpr char16_t kInstalledText[] = u"Libraries successfully installed.";
inline constexpr char16_t kNoDestinationText[] = u"Please, select the destination folder.";

// What the latest installation run did.
struct InstallOutcome {
  bool finished = false;                      // extraction and registration ran to their end
  std::vector<std::u16string> not_extracted;  // members given up after a failure
  bool extraction_aborted = false;
  std::vector<std::u16string> registered;
  std::vector<std::u16string> not_registered;  // library paths
  std::vector<std::u16string> causes;          // why, one per entry of not_registered
  bool Complete() const {
    return finished && not_extracted.empty() && !extraction_aborted && not_registered.empty();
  }
};

class TMainForm {
 public:
  // `program_path`: the installer's own file, which holds the package.
  TMainForm(InstallerControls controls, InstallerServices services, std::u16string program_path);

  // Administrator check, then the manifest extracted beside the installer and shown. Without
  // administrator rights: the error message, the manifest copy beside the installer removed, the
  // program's end requested. Engine errors pass through (the window still opens).
  void FormCreate();
  // The installation run. Ignored while a run is going on; refused with a message when the
  // destination field is empty. Engine errors while opening or
  // extracting pass through and leave the window open; otherwise the outcome is reported (success
  // only when everything was extracted and registered) and the window closes.
  void bnExtractClick();
  void bnSelectDestPathClick();
  // Removes the manifest copies and allows the close; during a run the close waits for its end.
  bool FormCloseQuery();

  void ArchiverFileProgress(const std::u16string& file_name);
  void ArchiverOverallProgress(double progress);

  builder::RecordingKolZip& Archiver() { return archiver_; }
  bool AdministratorRefused() const { return administrator_refused_; }
  bool Running() const { return running_; }
  const InstallOutcome& Outcome() const { return outcome_; }
  // The installer's folder, without trailing backslash.
  std::u16string ProgramFolder() const;

 private:
  void RunInstallation();
  void ReportOutcome();

  InstallerControls controls_;
  InstallerServices services_;
  std::u16string program_path_;
  builder::RecordingKolZip archiver_;
  bool administrator_refused_ = false;
  bool running_ = false;
  bool close_requested_ = false;
  InstallOutcome outcome_;
};

}  // namespace kv::installer
