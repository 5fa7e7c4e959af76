#pragma once
// Creating a MendKit package from the package dialog (TmkForm, "Create MendKit Lib Installer..."):
// the dialog's fields, Build and Cancel, and the progress of the archive object that writes the
// package.
#include <functional>
#include <string>

#include "builder/package_build.h"
#include "package/message_box_prompter.h"
#include "package/recording_archiver.h"
#include "controls/controls.h"

namespace kv::builder {

struct PackageDialogControls {
  ui::TextControl& name;             // edName
  ui::TextControl& default_path;     // edPath: the folder the installer proposes
  ui::TextControl& description;      // meDesc: the description memo; lines separated by CR LF
  ui::ProgressBar& progress;         // pbProgress
  ui::TextControl& activity;         // Label3: "Idle." or the file being compressed
  ui::EnableControl& build_button;   // Button1 "Build"
  ui::EnableControl& cancel_button;  // Button2 "Cancel"
  // The three fields, locked while a build reads them.
  ui::EnableControl& name_field;         // edName
  ui::EnableControl& default_path_field; // edPath
  ui::EnableControl& description_field;  // meDesc
};

struct PackageDialogServices {
  ui::MessageBoxes& boxes;
  // saveExe: "SFX Application|*.exe", default extension ".exe", asks before replacing
  ui::SaveDialog& save_package;
  ui::MessagePump& pump;
  std::function<void()> close;  // closes the dialog
  std::u16string caption = u"Kolvane";
};

class PackageCreation {
 public:
  PackageCreation(PackageDialogControls controls, PackageDialogServices services, BuildPlaces places);

  // The dialog's initial state (FormCreate): the fields' initial texts, "Idle.", the bar at 0,
  // Build and Cancel enabled.
  void ShowInitialState();
  // Button1 "Build": manifest and its staging copy, the save dialog (offering the package's
  // name with ".exe"), the package, the staging folder emptied. While it builds, the buttons
  // and fields are disabled, and Build and Cancel pressed again do nothing (the build processes
  // messages); they come back as they were on every way out. A missing installer program or a
  // manifest that cannot be written throws PackageError before anything else is written; the
  // dialog stays open.
  void Build();
  // Button2 "Cancel"; nothing while a build goes on.
  void Cancel();
  bool Building() const { return building_; }

  // The archive object's progress events: the file being compressed, the overall percentage.
  void ShowFileProgress(const std::u16string& file_name);
  void ShowOverallProgress(double progress);

  package::RecordingKolZip& Archiver() { return archiver_; }

 private:
  void ReportOutcome(const std::u16string& package_file);

  PackageDialogControls controls_;
  PackageDialogServices services_;
  BuildPlaces places_;
  package::MessageBoxPrompter prompter_{services_.boxes};
  package::RecordingKolZip archiver_;
  bool building_ = false;
};

}  // namespace kv::builder
