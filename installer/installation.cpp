#include "installer/installation.h"

#include <memory>

#include "archive/dir_manager.h"
#include "archive/native_errors.h"
#include "archive/options.h"
#include "archive/prompts.h"
#include "package/manifest.h"
#include "package/progress_position.h"
#include "platform/admin.h"
#include "installer/uninstall_setup.h"
#include "package/errors.h"
#include "platform/file_system.h"
#include "platform/profile.h"
#include "registration/library_discovery.h"
#include "registration/runner.h"

namespace kv::installer {
namespace {

void ConfigureInstallerArchiver(archive::TKolZip& archiver) {
  using namespace kv::archive;
  archiver.SetCompressionLevel(clFastest);
  archiver.SetCompressionMode(1);
  archiver.SetExtractCorruptedFiles(false);
  archiver.SetSpanningMode(smNone);
  archiver.SpanningOptions().SetAdvancedNaming(true);
  archiver.SpanningOptions().SetFirstVolumeSize(0);
  archiver.SpanningOptions().SetVolumeSize(vsAutoDetect);
  archiver.SpanningOptions().SetCustomVolumeSize(65536);
  archiver.Options().SetShareMode(smShareCompat);
  archiver.Options().SetFlushBuffers(true);
  archiver.Options().SetOEMFileNames(true);
  archiver.SetInMemory(false);
  archiver.SetZip64Mode(zmDisabled);
  archiver.SetUnicodeFilenames(true);
  archiver.SetEncryptionMethod(caPkzipClassic);
  archiver.SetSFXStub(u"");
}

// The failure question of an extraction. The engine's own prompt adds "possibly disk is full" to
// every failure; a person told so about a folder standing where a library should go looks for
// the wrong cause, so only a disk that is full says it.
archive::TKZAction AskExtractionFailure(archive::Prompter& prompter, std::int32_t native_error,
                                        const std::u16string& message) {
  using namespace kv::archive;
  if (native_error == kNative::DiskFull || native_error == kNative::DiskFull66 ||
      native_error == kNative::OpenAborted || native_error == kNative::FileNameTooLong)
    return AskFailure(&prompter, native_error, message);
  switch (prompter.Ask(u"Confirm", message, platform::QuestionButtons::AbortRetryIgnore)) {
    case platform::QuestionAnswer::Retry:
      return fxaRetry;
    case platform::QuestionAnswer::Ignore:
      return fxaIgnore;
    default:
      return fxaAbort;
  }
}

// Disables what would change a run for its lifetime.
class RunControlsDisabled {
 public:
  explicit RunControlsDisabled(const InstallerControls& c) : c_(c) { Set(false); }
  ~RunControlsDisabled() { Set(true); }
  RunControlsDisabled(const RunControlsDisabled&) = delete;
  RunControlsDisabled& operator=(const RunControlsDisabled&) = delete;

 private:
  void Set(bool enabled) {
    c_.destination_field.SetEnabled(enabled);
    c_.browse_button.SetEnabled(enabled);
    c_.overwrite_box.SetEnabled(enabled);
    c_.install_button.SetEnabled(enabled);
  }
  const InstallerControls& c_;
};

std::u16string FailureReport(const InstallOutcome& outcome) {
  std::u16string text = u"The installation did not complete:";
  for (const auto& name : outcome.not_extracted) text += u"\r\nNot extracted: " + name;
  if (outcome.extraction_aborted) text += u"\r\nThe extraction was aborted before its end.";
  for (std::size_t i = 0; i < outcome.not_registered.size(); ++i) {
    text += u"\r\nNot registered: " + outcome.not_registered[i];
    if (i < outcome.causes.size() && !outcome.causes[i].empty()) text += u"\r\n    " + outcome.causes[i];
  }
  if (!outcome.uninstall_problem.empty()) text += u"\r\nNo uninstaller: " + outcome.uninstall_problem;
  return text;
}

}  // namespace

Installation::Installation(InstallerControls controls, InstallerServices services,
                           std::u16string program_path)
    : controls_(controls), services_(std::move(services)), program_path_(std::move(program_path)) {
  if (!services_.is_administrator) services_.is_administrator = [] { return platform::IsAdministrator(u""); };
  if (!services_.register_library) {
    auto registrar = std::make_shared<registration::Registrar>(services_.pump);
    services_.register_library = [registrar](const std::u16string& path) {
      return registrar->Register(path, registration::RegistrationSettings{});
    };
  }
  archiver_.Name = u"Archiver";
  ConfigureInstallerArchiver(archiver_);
  archiver_.Prompts = &prompter_;
  archiver_.OnProcessFileFailure =
      [this](archive::TObject&, const std::u16string&, archive::TKZProcessOperation,
             std::int32_t native_error, std::int32_t, const std::u16string& message,
             archive::TKZAction& action) { action = AskExtractionFailure(prompter_, native_error, message); };
  archiver_.OnFileProgress = [this](archive::TObject&, const std::u16string& file_name, double,
                                    archive::TKZProcessOperation, archive::TKZProgressPhase,
                                    bool&) { ShowFileProgress(file_name); };
  archiver_.OnOverallProgress = [this](archive::TObject&, double progress, archive::TKZProcessOperation,
                                       archive::TKZProgressPhase, bool&) { ShowOverallProgress(progress); };
}

std::u16string Installation::ProgramFolder() const {
  const std::size_t slash = program_path_.find_last_of(u"\\/");
  return slash == std::u16string::npos ? std::u16string() : program_path_.substr(0, slash);
}

void Installation::ShowPackage() {
  const std::u16string own_folder = ProgramFolder() + u"\\";
  if (!services_.is_administrator()) {
    administrator_refused_ = true;
    services_.boxes.Show(kNoAdministratorText, services_.caption, ui::MessageKind::Error,
                         ui::MessageButtons::Ok);
    platform::DeleteFileQuietly(package::ManifestPath(own_folder));
    services_.terminate();
    return;
  }
  // Install stays off until members are found: a bare installer would extract nothing and then
  // register whatever libraries already lie in the destination.
  controls_.install_button.SetEnabled(false);
  try {
    ReadPackage();
  } catch (...) {
    controls_.package_info.Append(kNoPackageText);
    throw;
  }
  if (!holds_package_) {
    controls_.package_info.Append(kNoPackageText);
    return;
  }
  controls_.install_button.SetEnabled(true);
  const package::Manifest manifest = package::ReadManifest(package::ManifestPath(own_folder), own_folder);
  controls_.destination.SetText(manifest.default_path);
  controls_.package_info.Append(u"Program name: " + manifest.name);
  package_name_ = manifest.name;
  // Optional keys for the entry in the installed programs.
  const std::u16string manifest_path = package::ManifestPath(own_folder);
  publisher_ = platform::ReadProfileValue(manifest_path, u"mendKit", u"mkPublisher", u"", 2048);
  version_ = platform::ReadProfileValue(manifest_path, u"mendKit", u"mkVersion", u"", 2048);
  // Every line as typed; the first one after the label, as installers have always shown it.
  const std::vector<std::u16string> lines = package::DescriptionLines(manifest.description);
  controls_.package_info.Append(u"Description: " + (lines.empty() ? std::u16string() : lines[0]));
  for (std::size_t i = 1; i < lines.size(); ++i) controls_.package_info.Append(lines[i]);
}

void Installation::ReadPackage() {
  archiver_.SetFileName(program_path_);
  archiver_.SetBaseDir(ProgramFolder() + u"\\");
  archiver_.OpenArchive(archive::kModeReadShared);
  try {
    holds_package_ = archiver_.FileCount() > 0;
    stub_size_ = archiver_.DMHandle() != nullptr ? archiver_.DMHandle()->StubSize : 0;
    if (holds_package_) archiver_.ExtractFiles(package::kManifestFileName, archive::kDefaultSearchAttr, u"");
  } catch (...) {
    archiver_.CloseArchive();
    throw;
  }
  controls_.progress.SetPosition(0);
  archiver_.CloseArchive();
}

void Installation::Install() {
  // A second press while the run waits in its message processing would reopen the archive under
  // the running extraction.
  if (running_ || !holds_package_) return;
  // An empty field would extract into the current folder and register every library in the root
  // folder of the current drive.
  if (controls_.destination.Text().empty()) {
    services_.boxes.Show(kNoDestinationText, services_.caption, ui::MessageKind::Warning,
                         ui::MessageButtons::Ok);
    return;
  }
  running_ = true;
  try {
    RunControlsDisabled busy(controls_);
    RunInstallation();
  } catch (...) {
    running_ = false;
    if (close_requested_) services_.close();
    throw;
  }
  running_ = false;
  ReportOutcome();
  services_.close();
  services_.terminate();
}

void Installation::RunInstallation() {
  outcome_ = {};
  archiver_.ResetFailures();
  archiver_.ForgetWritten();
  archiver_.Options().SetOverwriteMode(controls_.overwrite.Checked() ? archive::omAlways : archive::omPrompt);
  const std::u16string destination = controls_.destination.Text();
  archiver_.SetFileName(program_path_);
  archiver_.SetBaseDir(destination);
  archiver_.OpenArchive(archive::kModeReadShared);
  archiver_.ExtractFiles(u"*.*", archive::kDefaultSearchAttr, u"");
  archiver_.CloseArchive();
  outcome_.not_extracted = archiver_.SkippedFiles();
  outcome_.extraction_aborted = archiver_.Aborted();

  std::vector<std::u16string> names;
  registration::FindLibraries(destination, names);
  for (const auto& name : names) {
    const std::u16string path = destination + u"\\" + name;
    const registration::RegistrationResult result = services_.register_library(path);
    if (result.registered) {
      outcome_.registered.push_back(path);
      outcome_.registered_machines.push_back(result.machine.value_or(platform::Machine::x86));
    } else {
      outcome_.not_registered.push_back(path);
      outcome_.causes.push_back(result.cause);
    }
  }
  outcome_.finished = true;
  RecordForUninstall(destination);
}

void Installation::RecordForUninstall(const std::u16string& destination) {
  std::u16string folder = destination;
  while (!folder.empty() && folder.back() == u'\\') folder.pop_back();
  InstalledPackage installed{folder, program_path_, stub_size_, {package_name_, {}, {}}, publisher_, version_};
  for (const auto& name : archiver_.Written())
    if (name != package::kManifestFileName) installed.record.files.push_back(name);
  outcome_.written = installed.record.files;
  const std::u16string prefix = destination + u"\\";
  for (std::size_t i = 0; i < outcome_.registered.size(); ++i)
    installed.record.libraries.push_back({outcome_.registered[i].substr(prefix.size()), outcome_.registered_machines[i]});
  try {
    std::unique_ptr<platform::RegistryHive> own_hive;
    platform::RegistryHive* hive = services_.machine_hive;
    if (hive == nullptr) hive = (own_hive = platform::OpenLocalMachineHive()).get();
    SetUpUninstall(installed, *hive);
  } catch (const std::exception& error) {
    outcome_.uninstall_problem = package::ErrorMessage(error);
  }
}

void Installation::ReportOutcome() {
  if (outcome_.Complete())
    services_.boxes.Show(kInstalledText, services_.caption, ui::MessageKind::Information,
                         ui::MessageButtons::Ok);
  else
    services_.boxes.Show(FailureReport(outcome_), services_.caption, ui::MessageKind::Warning,
                         ui::MessageButtons::Ok);
}

void Installation::ChooseDestination() {
  auto folder = services_.picker.Browse(u"Select destination folder ...");
  if (!folder) return;
  while (folder->size() > 3 && folder->back() == u'\\') folder->pop_back();
  controls_.destination.SetText(*folder);
}

bool Installation::ReadyToClose() {
  if (running_) {
    close_requested_ = true;
    return false;
  }
  const std::u16string beside = package::ManifestPath(ProgramFolder());
  const std::u16string in_destination = controls_.destination.Text() + u"\\" + package::kManifestFileName;
  if (platform::FileExists(beside)) {
    platform::DeleteFileQuietly(beside);
    platform::DeleteFileQuietly(in_destination);
  }
  return true;
}

void Installation::ShowFileProgress(const std::u16string& file_name) {
  controls_.processing.SetText(u"Processing: " + file_name);
  services_.pump.ProcessMessages();
}

void Installation::ShowOverallProgress(double progress) {
  controls_.progress.SetPosition(package::ProgressPosition(progress));
  services_.pump.ProcessMessages();
}

}  // namespace kv::installer
