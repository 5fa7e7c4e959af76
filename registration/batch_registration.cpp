#include "registration/batch_registration.h"

#include <algorithm>

#include "inspection/library_report.h"
#include "platform/date_time.h"
#include "platform/text_file.h"
#include "registration/library_discovery.h"
#include "registration/texts.h"

namespace kv::registration {
namespace {

int CountTicked(const ui::CheckList& list) {
  int count = 0;
  for (int i = 0; i < list.Count(); ++i)
    if (list.Checked(i)) ++count;
  return count;
}

void SetEveryTick(ui::CheckList& list, bool ticked) {
  for (int i = 0; i < list.Count(); ++i) list.SetChecked(i, ticked);
}

}  // namespace

ProgressFigures ProgressFiguresFor(int count) {
  const int step = 100 / count;
  return {step, 100 - count * step};
}

void BatchRegistration::BrowseForFolder() {
  const auto chosen = c_.folder_picker.Browse(kFolderPickerCaption);
  if (!chosen) return;
  c_.libraries.Clear();
  c_.folder.SetText(*chosen + u"\\");
  FindLibraries(c_.folder.Text(), c_.libraries);
  ShowVerdicts();
}

void BatchRegistration::ShowVerdicts() {
  for (int i = 0; i < c_.libraries.Count(); ++i) {
    const auto report = runner_.registrar().Inspect(c_.folder.Text() + c_.libraries.Name(i));
    c_.libraries.SetNote(i, inspection::Verdict(report));
  }
}

void BatchRegistration::TickAll() { SetEveryTick(c_.libraries, true); }

void BatchRegistration::UntickAll() { SetEveryTick(c_.libraries, false); }

void BatchRegistration::SelectSearchMatch() { SelectFirstMatch(c_.libraries, c_.search.Text()); }

void BatchRegistration::RegisterTicked() {
  c_.progress.SetPosition(0);
  const int count = CountTicked(c_.libraries);
  if (count < 1) {
    c_.boxes.Show(kNothingToRegister, kApplicationTitle, ui::MessageKind::Error, ui::MessageButtons::Ok);
    c_.folder.SetFocus();
    c_.status.SetText(kWaitingStatus);
    return;
  }
  const ProgressFigures figures = ProgressFiguresFor(count);
  AppendLogHeader();
  const RunTally tally = RegisterEachTicked(figures.step);
  // Adding the rest ends at 100; set outright so the bar also ends full when ticks changed
  // during the run or a nested run moved it.
  c_.progress.SetPosition(100);
  c_.log.Append(kLogRule);
  ReportEnd(tally);
  c_.save_log.SetEnabled(true);
}

void BatchRegistration::AppendLogHeader() {
  c_.log.Append(kLogTitle);
  c_.log.Append(kLogDatePrefix + platform::CurrentShortDate());
  c_.log.Append(kLogTimePrefix + platform::CurrentLongTime());
  c_.log.Append(kLogRule);
}

// The list may change under the walk: every registration processes messages, so the user can
// tick, untick or browse meanwhile. Ticks are read when the walk reaches an entry, and a list
// that shrank is never read beyond its new end.
BatchRegistration::RunTally BatchRegistration::RegisterEachTicked(int step) {
  RunTally tally;
  const int length = c_.libraries.Count();
  for (int i = 0; i < length && i < c_.libraries.Count(); ++i) {
    if (!c_.libraries.Checked(i)) continue;
    const std::u16string path = c_.folder.Text() + c_.libraries.Name(i);
    const bool registered = runner_.RegisterLibrary(path, c_.silent.Checked());
    c_.status.SetText(path);
    c_.progress.SetPosition(std::min(100, c_.progress.Position() + step));
    c_.log.Append(runner_.LastResultLine());
    if (!registered) c_.log.Append(kCauseIndent + runner_.LastResult().cause);
    ++tally.handled;
    if (!registered) ++tally.failed;
  }
  return tally;
}

void BatchRegistration::ReportEnd(const RunTally& tally) {
  if (tally.failed == 0) {
    c_.status.SetText(kAllSucceeded);
    c_.boxes.Show(kAllSucceeded, kApplicationTitle, ui::MessageKind::Information, ui::MessageButtons::Ok);
    return;
  }
  const std::u16string summary = FailureSummary(tally.failed, tally.handled);
  c_.status.SetText(summary);
  c_.boxes.Show(summary, kApplicationTitle, ui::MessageKind::Warning, ui::MessageButtons::Ok);
}

void BatchRegistration::SaveLog() {
  const auto file = c_.save_log_dialog.Execute();
  if (!file) return;
  std::vector<std::u16string> lines;
  for (int i = 0; i < c_.log.Count(); ++i) lines.push_back(c_.log.Line(i));
  platform::WriteAnsiLines(*file, lines);
}

}  // namespace kv::registration
