#include "builder/package_creation.h"

#include <exception>

#include "package/errors.h"
#include "package/progress_position.h"
#include "platform/file_system.h"

namespace kv::builder {
namespace {

// Disables Build and Cancel for its lifetime.
class ButtonsDisabled {
 public:
  explicit ButtonsDisabled(const PackageDialogControls& c) : c_(c) { Set(false); }
  ~ButtonsDisabled() { Set(true); }
  ButtonsDisabled(const ButtonsDisabled&) = delete;
  ButtonsDisabled& operator=(const ButtonsDisabled&) = delete;

 private:
  void Set(bool enabled) {
    c_.build_button.SetEnabled(enabled);
    c_.cancel_button.SetEnabled(enabled);
  }
  const PackageDialogControls& c_;
};

std::u16string JoinNames(const std::vector<std::u16string>& names) {
  std::u16string text;
  for (const auto& name : names) text += u"\r\n" + name;
  return text;
}

}  // namespace

PackageCreation::PackageCreation(PackageDialogControls controls, PackageDialogServices services,
                                 BuildPlaces places)
    : controls_(controls), services_(std::move(services)), places_(std::move(places)) {
  archiver_.Name = u"archiver";
  ConfigurePackageArchiver(archiver_);
  archiver_.Prompts = &prompter_;
  archiver_.OnFileProgress = [this](archive::TObject&, const std::u16string& file_name, double,
                                    archive::TKZProcessOperation, archive::TKZProgressPhase,
                                    bool&) { ShowFileProgress(file_name); };
  archiver_.OnOverallProgress = [this](archive::TObject&, double progress, archive::TKZProcessOperation,
                                       archive::TKZProgressPhase, bool&) { ShowOverallProgress(progress); };
}

void PackageCreation::ShowInitialState() {
  controls_.name.SetText(u"My MendKit");
  controls_.default_path.SetText(u"C:\\Program Files\\My Libraries");
  controls_.description.SetText(u"New libraries for better performance. Several bugs fixed.");
  controls_.activity.SetText(u"Idle.");
  controls_.progress.SetPosition(0);
  controls_.build_button.SetEnabled(true);
  controls_.cancel_button.SetEnabled(true);
}

void PackageCreation::Build() {
  {
    ButtonsDisabled busy(controls_);
    CheckStub(places_);
    WriteManifestWithStagingCopy(places_, {controls_.default_path.Text(), controls_.name.Text(),
                                           package::MemoLinesText(controls_.description.Text())});
    if (const auto package_file = services_.save_package.Execute()) {
      archiver_.ResetFailures();
      bool written = true;
      try {
        WritePackageArchive(archiver_, places_, *package_file);
      } catch (const std::exception& error) {
        written = false;
        services_.boxes.Show(u"Exception: " + package::ErrorMessage(error), services_.caption, ui::MessageKind::Error,
                             ui::MessageButtons::Ok);
      }
      EmptyStaging(places_);
      if (written) ReportOutcome(*package_file);
    }
  }
  services_.close();
}

void PackageCreation::ReportOutcome(const std::u16string& package_file) {
  if (archiver_.AllDone()) {
    services_.boxes.Show(kBuiltText, services_.caption, ui::MessageKind::Information, ui::MessageButtons::Ok);
    return;
  }
  if (archiver_.Aborted()) {
    // An aborted update leaves no usable package behind.
    platform::DeleteFileQuietly(package_file);
    services_.boxes.Show(u"Building the MendKit was aborted; no package was written.", services_.caption,
                         ui::MessageKind::Warning, ui::MessageButtons::Ok);
    return;
  }
  services_.boxes.Show(u"MendKit built without these files:" + JoinNames(archiver_.SkippedFiles()),
                       services_.caption, ui::MessageKind::Warning, ui::MessageButtons::Ok);
}

void PackageCreation::Cancel() { services_.close(); }

void PackageCreation::ShowFileProgress(const std::u16string& file_name) {
  controls_.activity.SetText(u"Compressing " + file_name);
  services_.pump.ProcessMessages();
}

void PackageCreation::ShowOverallProgress(double progress) {
  controls_.progress.SetPosition(package::ProgressPosition(progress));
  services_.pump.ProcessMessages();
}

}  // namespace kv::builder
