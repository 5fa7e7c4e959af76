// kolvane-cli register [--silent] FOLDER|LIBRARY...: registers libraries through the registration
// core (the same run as the Register button) and prints its log block. Windows only.
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_ops.h"
#include "platform/file_system.h"
#include "registration/library_discovery.h"
#include "registration/registration_window.h"
#include "tools/kolvane-cli/cli_support.h"
#include "tools/kolvane-cli/commands.h"

namespace kv::cli {
namespace {

struct RegisterArguments {
  bool silent = false;
  std::vector<std::string> targets;
};

// The registration window's controls on a console: the log is printed as it grows, messages too.
class ConsoleText : public ui::TextControl {
 public:
  std::u16string Text() const override { return text_; }
  void SetText(const std::u16string& text) override { text_ = text; }

 private:
  std::u16string text_;
};

class ConsoleTick : public ui::TickBox {
 public:
  explicit ConsoleTick(bool checked) : checked_(checked) {}
  bool Checked() const override { return checked_; }
  void SetChecked(bool checked) override { checked_ = checked; }

 private:
  bool checked_;
};

class ConsoleEnable : public ui::EnableControl {
 public:
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }

 private:
  bool enabled_ = true;
};

class ConsoleProgress : public ui::ProgressBar {
 public:
  int Position() const override { return position_; }
  void SetPosition(int position) override { position_ = position; }

 private:
  int position_ = 0;
};

class ConsoleList : public ui::CheckList {
 public:
  int Count() const override { return static_cast<int>(names_.size()); }
  std::u16string Name(int index) const override { return names_.at(static_cast<std::size_t>(index)); }
  bool Checked(int index) const override { return ticks_.at(static_cast<std::size_t>(index)); }
  void SetChecked(int index, bool checked) override { ticks_.at(static_cast<std::size_t>(index)) = checked; }
  void Clear() override {
    names_.clear();
    ticks_.clear();
  }
  void Add(const std::u16string& name) override {
    names_.push_back(name);
    ticks_.push_back(false);
  }
  int SelectedIndex() const override { return selected_; }
  void SetSelectedIndex(int index) override { selected_ = index; }

 private:
  std::vector<std::u16string> names_;
  std::vector<bool> ticks_;
  int selected_ = -1;
};

class PrintedLog : public ui::LineList {
 public:
  int Count() const override { return static_cast<int>(lines.size()); }
  std::u16string Line(int index) const override { return lines.at(static_cast<std::size_t>(index)); }
  void Append(const std::u16string& line) override {
    lines.push_back(line);
    std::printf("%s\n", Utf8(line).c_str());
  }
  std::vector<std::u16string> lines;
};

class PrintedBoxes : public ui::MessageBoxes {
 public:
  ui::MessageAnswer Show(const std::u16string& text, const std::u16string&, ui::MessageKind kind,
                         ui::MessageButtons) override {
    std::fflush(stdout);  // the log block comes first
    std::fprintf(kind == ui::MessageKind::Information ? stdout : stderr, "%s\n", Utf8(text).c_str());
    return ui::MessageAnswer::Ok;
  }
};

class NoSave : public ui::SaveDialog {
 public:
  std::optional<std::u16string> Execute() override { return std::nullopt; }
};

class NoPicker : public ui::FolderPicker {
 public:
  std::optional<std::u16string> Browse(const std::u16string&) override { return std::nullopt; }
};

class NoWindows : public ui::MessagePump {
 public:
  void ProcessMessages() override {}
  bool TerminateRequested() const override { return false; }
};

// The libraries to register, by folder (ending in "\"), in the order the arguments name them.
[[maybe_unused]] std::vector<std::pair<std::u16string, std::vector<std::u16string>>> Targets(
    const RegisterArguments& arguments, bool& all_found) {
  std::vector<std::pair<std::u16string, std::vector<std::u16string>>> groups;
  const auto group_of = [&groups](const std::u16string& folder) -> std::vector<std::u16string>& {
    for (auto& group : groups)
      if (group.first == folder) return group.second;
    return groups.emplace_back(folder, std::vector<std::u16string>{}).second;
  };
  for (const auto& target : arguments.targets) {
    std::u16string path = platform::FullPath(PathArgument(target));
    if (platform::FolderExists(path)) {
      if (path.back() != u'\\') path += u'\\';
      std::vector<std::u16string> names;
      registration::FindLibraries(path.substr(0, path.size() - 1), names);
      auto& group = group_of(path);
      group.insert(group.end(), names.begin(), names.end());
    } else if (platform::FileExists(path)) {
      const std::size_t slash = path.find_last_of(u'\\');
      group_of(path.substr(0, slash + 1)).push_back(path.substr(slash + 1));
    } else {
      ReportError(target, "no such file or folder");
      all_found = false;
    }
  }
  return groups;
}

int RunRegister(const RegisterArguments& arguments) {
#ifndef _WIN32
  (void)arguments;
  ReportError("register", "registering libraries needs Windows (regsvr32)");
  return kExitUsage;
#else
  bool all_found = true;
  bool all_registered = true;
  for (const auto& [folder, names] : Targets(arguments, all_found)) {
    ConsoleText folder_text, search, status;
    ConsoleList list;
    ConsoleTick silent(arguments.silent);
    ConsoleProgress progress;
    PrintedLog log;
    ConsoleEnable save_log;
    NoSave save_dialog;
    NoPicker picker;
    PrintedBoxes boxes;
    NoWindows pump;
    folder_text.SetText(folder);
    for (const auto& name : names) {
      list.Add(name);
      list.SetChecked(list.Count() - 1, true);
    }
    registration::RegistrationWindow window({folder_text, list, search, silent, progress, status, log,
                                             save_log, save_dialog, picker, boxes, pump});
    window.Button3Click();
    for (const auto& line : log.lines)
      if (line.size() >= 8 && line.compare(line.size() - 8, 8, u" failed.") == 0) all_registered = false;
  }
  if (!all_found) return kExitUsage;
  return all_registered ? kExitOk : kExitMemberFailed;
#endif
}

CommandRun SetupRegister(CLI::App& command) {
  auto arguments = std::make_shared<RegisterArguments>();
  command.add_flag("--silent", arguments->silent, "Pass /s to regsvr32 so that it shows nothing");
  command.add_option("TARGET", arguments->targets, "Folders (every .dll, then every .ocx) or libraries")
      ->required();
  return [arguments] { return RunRegister(*arguments); };
}

}  // namespace

extern const CommandSpec kRegisterCommand{
    "register", "Register libraries through regsvr32 and print the log (Windows only)", SetupRegister};

}  // namespace kv::cli
