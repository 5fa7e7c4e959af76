#pragma once
// The package dialog (TmkForm, "Create MendKit Lib Installer..."): its fields, Build and Cancel, and
// the progress of the archive object that writes the package.
#include <functional>
#include <string>

#include "builder/package_build.h"
#include "builder/recording_archiver.h"
#include "ui/controls.h"

namespace kv::builder {

struct PackageDialogControls {
  ui::TextControl& edName;
  ui::TextControl& edPath;
  ui::TextControl& meDesc;  // the description memo; lines separated by CR LF
  ui::ProgressBar& pbProgress;
  ui::TextControl& Label3;
  ui::EnableControl& Button1;  // Build
  ui::EnableControl& Button2;  // Cancel
};

struct PackageDialogServices {
  ui::MessageBoxes& boxes;
  ui::SaveDialog& saveExe;  // "SFX Application|*.exe", default extension ".exe", asks before replacing
  ui::MessagePump& pump;
  std::function<void()> close;  // closes the dialog
  std::u16string caption = u"Kolvane";
};

inline constexpr char16_t kBuiltText[] = u"MendKit successfully built!";

class TmkForm {
 public:
  TmkForm(PackageDialogControls controls, PackageDialogServices services, BuildPlaces places);

  // Initial state: the fields' initial texts, "Idle.", the bar at 0, Build and Cancel enabled.
  void FormCreate();
  // Build: manifest and its staging copy, the save dialog, the package, the staging folder emptied.
  // The buttons are enabled again on every way out. A missing installer program or a manifest that
  // cannot be written throws BuilderError before anything else is written; the dialog stays open.
  void Button1Click();
  void Button2Click();

  void archiverFileProgress(const std::u16string& file_name);
  void archiverOverallProgress(double progress);

  RecordingKolZip& archiver() { return archiver_; }

 private:
  void ReportOutcome(const std::u16string& package_file);

  PackageDialogControls controls_;
  PackageDialogServices services_;
  BuildPlaces places_;
  RecordingKolZip archiver_;
};

}  // namespace kv::builder
