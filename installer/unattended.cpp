#include "installer/unattended.h"

#include <exception>

#include "archive/options.h"
#include "controls/memory_controls.h"
#include "installer/installation.h"
#include "package/errors.h"
#include "platform/text_file.h"

namespace kv::installer {
namespace {

bool StartsWithSwitch(const std::u16string& argument, std::u16string_view name) {
  if (argument.size() < name.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    char16_t c = argument[i];
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    if (c != name[i]) return false;
  }
  return true;
}

int StatusOf(const InstallOutcome& outcome) {
  if (!outcome.finished || !outcome.not_extracted.empty() || outcome.extraction_aborted)
    return kExtractionFailed;
  return outcome.not_registered.empty() ? kInstalled : kRegistrationFailed;
}

// How an unattended run answers: keep an existing file when asked whether to replace it (the
// overwrite mode made that choice beforehand), skip a member that fails, and say no or cancel to
// anything else.
ui::MessageAnswer UnattendedAnswer(ui::MessageButtons buttons) {
  switch (buttons) {
    case ui::MessageButtons::YesNoNoToAllYesToAll:
      return ui::MessageAnswer::NoToAll;
    case ui::MessageButtons::AbortRetryIgnore:
      return ui::MessageAnswer::Ignore;
    case ui::MessageButtons::YesNo:
    case ui::MessageButtons::YesNoCancel:
      return ui::MessageAnswer::No;
    case ui::MessageButtons::OkCancel:
      return ui::MessageAnswer::Cancel;
    case ui::MessageButtons::Ok:
      break;
  }
  return ui::MessageAnswer::Ok;
}

// The installer window's controls with nobody in front of them: what a person would read
// (package lines, each new file being processed, messages) goes to the run's log.
struct UnattendedWindow {
  UnattendedWindow() {
    package_info.on_append = [this](const std::u16string& line) { log.Append(line); };
    processing.on_change = [this](const std::u16string& text) { log.Append(text); };
    boxes.on_show = [this](const std::u16string& text, ui::MessageKind) { log.Append(text); };
    boxes.answer = UnattendedAnswer;
  }
  UnattendedWindow(const UnattendedWindow&) = delete;
  UnattendedWindow& operator=(const UnattendedWindow&) = delete;

  InstallerControls Controls() {
    return {package_info,      destination,   overwrite,     processing,    progress,
            destination_field, browse_button, overwrite_box, install_button};
  }
  // Asks the close query while the window is still open; closes when it agrees.
  void Close() {
    if (closed) return;
    closed = !on_close_query || on_close_query();
  }

  ui::MemoryLineList log;
  ui::MemoryLineList package_info;
  ui::MemoryText destination;
  ui::MemoryTickBox overwrite{true};
  ui::MemoryText processing;
  ui::MemoryProgressBar progress;
  ui::MemoryEnable destination_field, browse_button, overwrite_box, install_button;
  ui::MemoryMessageBoxes boxes;
  ui::MemoryFolderPicker picker;
  ui::MemoryMessagePump pump;
  std::function<bool()> on_close_query;
  bool closed = false;
};

}  // namespace

std::optional<UnattendedOptions> ParseUnattended(const std::vector<std::u16string>& arguments) {
  UnattendedOptions options;
  bool silent = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::u16string& argument = arguments[i];
    if (StartsWithSwitch(argument, u"/D=")) {
      // An unquoted folder with spaces arrives as several words: they belong to it up to the
      // next switch.
      std::u16string folder = argument.substr(3);
      while (i + 1 < arguments.size() && !arguments[i + 1].starts_with(u'/')) folder += u" " + arguments[++i];
      options.destination = folder;
    } else if (StartsWithSwitch(argument, u"/LOG=")) {
      options.log_file = argument.substr(5);
    } else if (argument.size() == 2 && StartsWithSwitch(argument, u"/S")) {
      silent = true;
    } else if (argument.size() == 5 && StartsWithSwitch(argument, u"/KEEP")) {
      options.keep_existing = true;
    } else {
      options.ignored.push_back(argument);
    }
  }
  if (!silent) return std::nullopt;
  return options;
}

int RunUnattended(const UnattendedOptions& options, const std::u16string& program_path,
                  const UnattendedHooks& hooks) {
  UnattendedWindow window;
  for (const auto& argument : options.ignored) window.log.Append(u"Ignored argument: " + argument);
  window.overwrite.SetChecked(!options.keep_existing);
  InstallerServices services{
      window.boxes, window.picker,          window.pump,           [&] { window.Close(); },
      [] {},        hooks.is_administrator, hooks.register_library};
  Installation installation(window.Controls(), std::move(services), program_path);
  window.on_close_query = [&] { return installation.ReadyToClose(); };

  int status = kInstalled;
  try {
    installation.ShowPackage();
    if (installation.AdministratorRefused()) {
      status = kNoAdministrator;
    } else if (!installation.HoldsPackage()) {
      // The window's start-up has logged why; installing would extract nothing and then
      // register whatever libraries already sit in the destination folder.
      status = kNoPackage;
    }
  } catch (const std::exception& error) {
    window.log.Append(package::ErrorMessage(error));
    status = kNoPackage;
  }
  if (status == kInstalled) {
    if (options.destination) window.destination.SetText(*options.destination);
    try {
      installation.Install();
      status = StatusOf(installation.Outcome());
    } catch (const std::exception& error) {
      window.log.Append(package::ErrorMessage(error));
      status = kExtractionFailed;
    }
  }
  window.Close();
  if (options.log_file) {
    try {
      platform::WriteAnsiLines(*options.log_file, window.log.Lines());
    } catch (const std::exception&) {
      // The status still tells the outcome when the log cannot be written.
    }
  }
  return status;
}

}  // namespace kv::installer
