#include "installer/uninstall_flow.h"

namespace kv::installer {
namespace {

std::u16string JoinedLines(const std::vector<std::u16string>& lines) {
  std::u16string text;
  for (const auto& line : lines) text += (text.empty() ? u"" : u"\r\n") + line;
  return text;
}

}  // namespace

UninstallFlow::UninstallFlow(InstallerControls controls, UninstallWindowServices services, std::u16string folder)
    : controls_(controls),
      services_(std::move(services)),
      uninstallation_(std::move(folder), services_.uninstall, log_, controls_.progress) {
  // Each step shows where the processing label shows each member of an installation.
  log_.on_append = [this](const std::u16string& line) { controls_.processing.SetText(line); };
}

void UninstallFlow::Show() {
  controls_.destination_field.SetEnabled(false);
  controls_.browse_button.SetEnabled(false);
  controls_.overwrite_box.SetEnabled(false);
  controls_.install_button.SetEnabled(false);
  const bool administrator = uninstallation_.Administrator();
  if (!administrator || !uninstallation_.Record()) {
    services_.boxes.Show(administrator ? kNoRecordText : kUninstallNoAdministratorText, kUninstallCaption,
                         ui::MessageKind::Error, ui::MessageButtons::Ok);
    services_.terminate();
    return;
  }
  controls_.package_info.Append(u"Program name: " + uninstallation_.Record()->package_name);
  controls_.package_info.Append(u"Installed in: " + controls_.destination.Text());
  controls_.install_button.SetEnabled(true);
}

void UninstallFlow::Uninstall() {
  if (running_ || !uninstallation_.Record()) return;
  const auto answer = services_.boxes.Show(UninstallQuestion(uninstallation_.Record()->package_name),
                                           kUninstallCaption, ui::MessageKind::Confirmation, ui::MessageButtons::YesNo);
  if (answer != ui::MessageAnswer::Yes || running_) return;
  running_ = true;
  controls_.install_button.SetEnabled(false);
  status_ = uninstallation_.Run(true);
  running_ = false;
  if (services_.after_run) services_.after_run();
  if (*status_ == kUninstalled)
    services_.boxes.Show(kUninstalledText, kUninstallCaption, ui::MessageKind::Information, ui::MessageButtons::Ok);
  else
    services_.boxes.Show(JoinedLines(log_.Lines()), kUninstallCaption, ui::MessageKind::Warning, ui::MessageButtons::Ok);
  services_.close();
  services_.terminate();
}

}  // namespace kv::installer
