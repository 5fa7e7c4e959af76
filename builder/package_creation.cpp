#include "builder/package_creation.h"

#include <array>
#include <exception>

#include "package/errors.h"
#include "package/progress_position.h"
#include "platform/file_system.h"

namespace kv::builder {
namespace {

// For the length of a build: the buttons and fields disabled and the dialog marked busy; on
// every way out each gets back the state it had.
class BuildLock {
 public:
  BuildLock(const PackageDialogControls& c, bool& building)
      : building_(building),
        controls_{&c.build_button, &c.cancel_button, &c.name_field, &c.default_path_field, &c.description_field} {
    for (std::size_t i = 0; i < controls_.size(); ++i) {
      was_enabled_[i] = controls_[i]->Enabled();
      controls_[i]->SetEnabled(false);
    }
    building_ = true;
  }
  ~BuildLock() {
    building_ = false;
    for (std::size_t i = 0; i < controls_.size(); ++i) controls_[i]->SetEnabled(was_enabled_[i]);
  }
  BuildLock(const BuildLock&) = delete;
  BuildLock& operator=(const BuildLock&) = delete;

 private:
  bool& building_;
  std::array<ui::EnableControl*, 5> controls_;
  std::array<bool, 5> was_enabled_{};
};

// The label names the library, not the staging folder it is read from.
std::u16string FileNameOf(const std::u16string& path) {
  const std::size_t cut = path.find_last_of(u"\\/");
  return cut == std::u16string::npos ? path : path.substr(cut + 1);
}

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
  for (ui::EnableControl* control : {&controls_.build_button, &controls_.cancel_button, &controls_.name_field,
                                     &controls_.default_path_field, &controls_.description_field})
    control->SetEnabled(true);
}

void PackageCreation::Build() {
  if (building_) return;
  {
    BuildLock busy(controls_, building_);
    CheckStub(places_);
    WriteManifestWithStagingCopy(places_, {controls_.default_path.Text(), controls_.name.Text(),
                                           package::MemoLinesText(controls_.description.Text())});
    services_.save_package.SuggestName(controls_.name.Text() + u".exe");
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

void PackageCreation::Cancel() {
  if (!building_) services_.close();
}

void PackageCreation::ShowFileProgress(const std::u16string& file_name) {
  controls_.activity.SetText(u"Compressing " + FileNameOf(file_name));
  services_.pump.ProcessMessages();
}

void PackageCreation::ShowOverallProgress(double progress) {
  controls_.progress.SetPosition(package::ProgressPosition(progress));
  services_.pump.ProcessMessages();
}

}  // namespace kv::builder
