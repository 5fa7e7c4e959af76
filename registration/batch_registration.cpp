#include "registration/batch_registration.h"

#include <algorithm>
#include <array>

#include "inspection/library_report.h"
#include "platform/date_time.h"
#include "platform/find_files.h"
#include "platform/text_file.h"
#include "registration/library_discovery.h"
#include "registration/texts.h"

namespace kv::registration {
namespace {

void SetEveryTick(ui::CheckList& list, bool ticked) {
  for (int i = 0; i < list.Count(); ++i) list.SetChecked(i, ticked);
}

// For the length of a run: the Register button reads "Stop" and what would change the run is
// disabled; on every way out each control gets back the state it had.
class RunLock {
 public:
  RunLock(const RegistrationControls& c, bool& running)
      : c_(c),
        running_(running),
        controls_{&c.locked.browse,
                  &c.locked.select_all,
                  &c.locked.select_none,
                  &c.locked.create_package,
                  &c.locked.library_list,
                  &c.locked.search_field,
                  &c.save_log} {
    for (std::size_t i = 0; i < controls_.size(); ++i) {
      was_enabled_[i] = controls_[i]->Enabled();
      controls_[i]->SetEnabled(false);
    }
    c_.register_button.SetText(kStopCaption);
    running_ = true;
  }
  ~RunLock() {
    running_ = false;
    c_.register_button.SetText(kRegisterCaption);
    for (std::size_t i = 0; i < controls_.size(); ++i) controls_[i]->SetEnabled(was_enabled_[i]);
  }
  RunLock(const RunLock&) = delete;
  RunLock& operator=(const RunLock&) = delete;

 private:
  const RegistrationControls& c_;
  bool& running_;
  std::array<ui::EnableControl*, 7> controls_;
  std::array<bool, 7> was_enabled_{};
};

}  // namespace

ProgressFigures ProgressFiguresFor(int count) {
  const int step = 100 / count;
  return {step, 100 - count * step};
}

void BatchRegistration::BrowseForFolder() {
  if (running_) return;
  c_.folder_picker.StartAt(c_.folder.Text());
  const auto chosen = c_.folder_picker.Browse(kFolderPickerCaption);
  if (!chosen) return;
  ListFolder(*chosen + u"\\");
}

void BatchRegistration::ListTypedFolder() {
  if (running_) return;
  std::u16string folder = c_.folder.Text();
  if (folder.empty()) return;
  if (folder.back() != u'\\') folder += u'\\';
  ListFolder(folder);
}

void BatchRegistration::ListFolder(const std::u16string& folder) {
  c_.libraries.Clear();
  c_.folder.SetText(folder);
  FindLibraries(folder, c_.libraries);
  ShowVerdicts();
  if (c_.libraries.Count() > 0) {
    c_.status_bar.SetText(ListedSummary(c_.libraries.Count()));
  } else if (const auto problem = platform::FolderListingProblem(folder)) {
    c_.status_bar.SetText(kCannotReadFolder + *problem);
  } else {
    c_.status_bar.SetText(kNoLibrariesInFolder);
  }
}

void BatchRegistration::ShowVerdicts() {
  for (int i = 0; i < c_.libraries.Count(); ++i) {
    const auto report = runner_.registrar().Inspect(c_.folder.Text() + c_.libraries.Name(i));
    c_.libraries.SetNote(i, inspection::Verdict(report));
  }
}

void BatchRegistration::TickAll() {
  if (!running_) SetEveryTick(c_.libraries, true);
}

void BatchRegistration::UntickAll() {
  if (!running_) SetEveryTick(c_.libraries, false);
}

void BatchRegistration::SelectSearchMatch() { SelectFirstMatch(c_.libraries, c_.search.Text()); }

std::vector<std::u16string> BatchRegistration::TickedPaths() const {
  std::vector<std::u16string> paths;
  for (int i = 0; i < c_.libraries.Count(); ++i)
    if (c_.libraries.Checked(i)) paths.push_back(c_.folder.Text() + c_.libraries.Name(i));
  return paths;
}

void BatchRegistration::RefuseEmptyRun(const char16_t* message) {
  c_.boxes.Show(message, kApplicationTitle, ui::MessageKind::Error, ui::MessageButtons::Ok);
  c_.folder.SetFocus();
  c_.status.SetText(kWaitingStatus);
}

void BatchRegistration::RegisterTicked() {
  if (running_) return;
  c_.progress.SetPosition(0);
  // The run registers what was ticked when Register was pressed.
  const std::vector<std::u16string> paths = TickedPaths();
  if (paths.empty()) return RefuseEmptyRun(kNothingToRegister);
  Run(paths, Action::Register);
}

void BatchRegistration::UnregisterTicked() {
  if (running_) return;
  const std::vector<std::u16string> paths = TickedPaths();
  if (paths.empty()) return RefuseEmptyRun(kNothingToUnregister);
  const ui::MessageAnswer answer = c_.boxes.Show(UnregisterQuestion(static_cast<int>(paths.size())),
                                                 kApplicationTitle, ui::MessageKind::Confirmation,
                                                 ui::MessageButtons::YesNo);
  // The question processes messages: a run may have begun meanwhile.
  if (answer != ui::MessageAnswer::Yes || running_) return;
  c_.progress.SetPosition(0);
  Run(paths, Action::Unregister);
}

void BatchRegistration::Run(const std::vector<std::u16string>& paths, Action action) {
  const ProgressFigures figures = ProgressFiguresFor(static_cast<int>(paths.size()));
  RunTally tally;
  {
    RunLock lock(c_, running_);
    stop_requested_ = false;
    AppendLogHeader();
    tally = RunEach(paths, figures.step, action);
    // Adding the rest ends at 100; set outright so the bar also ends full when a run moved it
    // otherwise. A stopped run leaves the bar where it stopped.
    if (tally.not_attempted == 0) c_.progress.SetPosition(100);
    if (tally.not_attempted > 0) c_.log.Append(StoppedSummary(tally.not_attempted));
    c_.log.Append(kLogRule);
  }
  c_.save_log.SetEnabled(true);
  ReportEnd(tally, action);
}

void BatchRegistration::StopRun() {
  if (running_) stop_requested_ = true;
}

void BatchRegistration::AppendLogHeader() {
  c_.log.Append(kLogTitle);
  c_.log.Append(kLogDatePrefix + platform::CurrentShortDate());
  c_.log.Append(kLogTimePrefix + platform::CurrentLongTime());
  c_.log.Append(kLogRule);
}

BatchRegistration::RunTally BatchRegistration::RunEach(const std::vector<std::u16string>& paths, int step,
                                                       Action action) {
  RunTally tally;
  for (const std::u16string& path : paths) {
    if (stop_requested_) break;
    const bool registered = runner_.RegisterLibrary(path, c_.silent.Checked(), action);
    c_.status.SetText(path);
    c_.progress.SetPosition(std::min(100, c_.progress.Position() + step));
    c_.log.Append(runner_.LastResultLine());
    if (!registered) c_.log.Append(kCauseIndent + runner_.LastResult().cause);
    ++tally.handled;
    if (!registered) ++tally.failed;
  }
  tally.not_attempted = static_cast<int>(paths.size()) - tally.handled;
  return tally;
}

void BatchRegistration::ReportEnd(const RunTally& tally, Action action) {
  if (tally.failed == 0 && tally.not_attempted == 0) {
    c_.status.SetText(kAllSucceeded);
    c_.status_bar.SetText(kAllSucceeded);
    c_.boxes.Show(kAllSucceeded, kApplicationTitle, ui::MessageKind::Information, ui::MessageButtons::Ok);
    return;
  }
  std::u16string summary;
  if (tally.failed > 0) summary = FailureSummary(tally.failed, tally.handled, action);
  if (tally.not_attempted > 0) {
    if (!summary.empty()) summary += u' ';
    summary += StoppedSummary(tally.not_attempted);
  }
  c_.status.SetText(summary);
  c_.status_bar.SetText(summary);
  c_.boxes.Show(summary, kApplicationTitle, ui::MessageKind::Warning, ui::MessageButtons::Ok);
}

void BatchRegistration::SaveLog() {
  if (running_) return;
  c_.save_log_dialog.SuggestName(kLogFileName);
  const auto file = c_.save_log_dialog.Execute();
  if (!file) return;
  std::vector<std::u16string> lines;
  for (int i = 0; i < c_.log.Count(); ++i) lines.push_back(c_.log.Line(i));
  platform::WriteAnsiLines(*file, lines);
}

}  // namespace kv::registration
