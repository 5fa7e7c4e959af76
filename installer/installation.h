#pragma once
// What the installer window (TMainForm, "MendKit Installer (Powered by Kolvane)") does: start-up
// from its own file, the installation run, the destination picker and the clean-up when the window
// closes. The unattended installation runs it with no window.
#include <functional>
#include <string>
#include <vector>

#include "controls/controls.h"
#include "package/message_box_prompter.h"
#include "installer/written_files.h"
#include "package/recording_archiver.h"
#include "platform/registry.h"
#include "registration/runner.h"

namespace kv::installer {

struct InstallerControls {
  ui::LineList& package_info;    // Memo1: package name and description
  ui::TextControl& destination;  // edPath: destination folder
  ui::TickBox& overwrite;        // cboverwrite "Overwrite existing files"
  ui::TextControl& processing;   // Label2: "Processing: " + member name
  ui::ProgressBar& progress;     // pbProgress
  // What would change a run; disabled while one goes on.
  ui::EnableControl& destination_field;  // edPath
  ui::EnableControl& browse_button;      // bnSelectDestPath "..."
  ui::EnableControl& overwrite_box;      // cboverwrite
  ui::EnableControl& install_button;     // bnExtract "Install"
};

struct InstallerServices {
  ui::MessageBoxes& boxes;  // also answers the engine's overwrite and failure questions
  ui::FolderPicker& picker;
  ui::MessagePump& pump;
  std::function<void()> close;      // closes the window, which asks ReadyToClose first
  std::function<void()> terminate;  // requests the end of the program
  // The administrator check (default: the platform's check of the local machine).
  std::function<bool()> is_administrator;
  // Registers one library silently (default: the registration core).
  std::function<registration::RegistrationResult(const std::u16string& path)> register_library;
  std::u16string caption = u"Install";
  // Where the entry in the list of installed programs goes (default: the local machine's hive).
  platform::RegistryHive* machine_hive = nullptr;
};

inline constexpr char16_t kNoAdministratorText[] =
    u"For correct installation, program must be run with Administrator privileges! Aborting installation.";
inline constexpr char16_t kInstalledText[] = u"Libraries successfully installed.";
inline constexpr char16_t kNoDestinationText[] = u"Please, select the destination folder.";
inline constexpr char16_t kNoPackageText[] = u"The file holds no package to install.";

// What the latest installation run did.
struct InstallOutcome {
  bool finished = false;                      // extraction and registration ran to their end
  std::vector<std::u16string> not_extracted;  // members given up after a failure
  bool extraction_aborted = false;
  std::vector<std::u16string> registered;
  std::vector<platform::Machine> registered_machines;  // one per entry of registered
  std::vector<std::u16string> not_registered;  // library paths
  std::vector<std::u16string> causes;          // why, one per entry of not_registered
  std::vector<std::u16string> written;         // the files the extraction wrote, relative
  // Why the uninstaller, its record or its entry could not be written; empty when they were.
  std::u16string uninstall_problem;
  bool Complete() const {
    return finished && not_extracted.empty() && !extraction_aborted && not_registered.empty() &&
           uninstall_problem.empty();
  }
};

class Installation {
 public:
  // `program_path`: the installer's own file, which holds the package.
  Installation(InstallerControls controls, InstallerServices services, std::u16string program_path);

  // When the window is created (FormCreate): the administrator check, then the manifest
  // extracted beside the installer and shown. Without administrator rights: the error message,
  // the manifest copy beside the installer removed, the program's end requested. A file with no
  // member behind the installer (a bare installer program) is no package: kNoPackageText is shown
  // instead of name and description and Install is disabled; so it is when the engine cannot open
  // the archive, whose error then passes through (the window still opens).
  void ShowPackage();
  // bnExtract "Install": the installation run. Ignored while a run is going on or when the file
  // holds no package; refused with a message when the destination field is empty. While it runs,
  // destination, picker, overwrite box and Install are disabled, and enabled again on every way
  // out. Engine errors while opening or extracting pass through and leave the window open;
  // otherwise the outcome is reported (success only when everything was extracted and
  // registered) and the window closes. Every run that reaches its end leaves the uninstaller,
  // its record of what was written and registered, and the entry in the installed programs.
  void Install();
  // bnSelectDestPath "...": the destination picker.
  void ChooseDestination();
  // When the window is asked to close (FormCloseQuery): removes the manifest copies and allows
  // the close; during a run the close waits for its end.
  bool ReadyToClose();

  // The archive object's progress events: the member being processed, the overall percentage.
  void ShowFileProgress(const std::u16string& file_name);
  void ShowOverallProgress(double progress);

  package::RecordingKolZip& Archiver() { return archiver_; }
  bool AdministratorRefused() const { return administrator_refused_; }
  // False until ShowPackage found members behind the installer.
  bool HoldsPackage() const { return holds_package_; }
  bool Running() const { return running_; }
  const InstallOutcome& Outcome() const { return outcome_; }
  // The installer's folder, without trailing backslash.
  std::u16string ProgramFolder() const;

 private:
  void ReadPackage();
  void RunInstallation();
  void RecordForUninstall(const std::u16string& destination);
  void ReportOutcome();

  InstallerControls controls_;
  InstallerServices services_;
  std::u16string program_path_;
  package::MessageBoxPrompter prompter_{services_.boxes};
  InstallingKolZip archiver_;
  std::int64_t stub_size_ = 0;
  std::u16string package_name_, publisher_, version_;
  bool administrator_refused_ = false;
  bool holds_package_ = false;
  bool running_ = false;
  bool close_requested_ = false;
  InstallOutcome outcome_;
};

}  // namespace kv::installer
