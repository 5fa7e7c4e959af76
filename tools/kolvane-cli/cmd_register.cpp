// kolvane-cli register [--silent] [--timeout S] [--json] FOLDER|LIBRARY...: registers libraries
// through the registration core (the same run as the Register button) and prints its log block,
// a cause under each failed line; with --json one document of the results instead. Each
// library goes to the regsvr32 of its own bitness (the stand-in build: regsvr32 on PATH).
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "registration/registration_window.h"
#include "registration/texts.h"
#include "tools/kolvane-cli/cli_support.h"
#include "tools/kolvane-cli/commands.h"
#include "tools/kolvane-cli/library_targets.h"

namespace kv::cli {
namespace {

struct RegisterArguments {
  bool silent = false;
  bool json = false;
  std::uint32_t timeout_seconds = registration::kDefaultTimeLimitSeconds;
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

// The registration window's run over one folder's libraries, its log block printed as it grows.
bool RegisterWithLog(const LibraryGroup& group, const RegisterArguments& arguments) {
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
  folder_text.SetText(group.folder);
  for (const auto& name : group.names) {
    list.Add(name);
    list.SetChecked(list.Count() - 1, true);
  }
  registration::RegistrationWindow window(
      {folder_text, list, search, silent, progress, status, log, save_log, save_dialog, picker, boxes, pump});
  window.Runner().time_limit_seconds = arguments.timeout_seconds;
  window.Button3Click();
  return status.Text() == registration::kAllSucceeded;
}

nlohmann::ordered_json ResultEntry(const std::u16string& path, const registration::RegistrationResult& result) {
  nlohmann::ordered_json entry{{"path", Utf8(path)}, {"registered", result.registered}};
  entry["reason"] = result.cause.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(Utf8(result.cause));
  entry["exit_code"] = result.exit_code ? nlohmann::ordered_json(*result.exit_code) : nlohmann::ordered_json();
  entry["host"] = result.host.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(Utf8(result.host));
  return entry;
}

int RunRegister(const RegisterArguments& arguments) {
  bool all_found = true;
  const auto groups = LibraryTargets(arguments.targets, all_found);
  int failed = 0;
  if (arguments.json) {
    NoWindows pump;
    registration::Registrar registrar(pump);
    nlohmann::ordered_json results = nlohmann::ordered_json::array();
    for (const auto& group : groups) {
      for (const auto& name : group.names) {
        const auto result = registrar.Register(group.folder + name, {arguments.silent, arguments.timeout_seconds});
        if (!result.registered) ++failed;
        results.push_back(ResultEntry(group.folder + name, result));
      }
    }
    const nlohmann::ordered_json document{{"results", results}, {"failed", failed}};
    std::printf("%s\n", document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
  } else {
    for (const auto& group : groups)
      if (!RegisterWithLog(group, arguments)) ++failed;
  }
  if (!all_found) return kExitUsage;
  return failed == 0 ? kExitOk : kExitMemberFailed;
}

CommandRun SetupRegister(CLI::App& command) {
  auto arguments = std::make_shared<RegisterArguments>();
  command.add_flag("--silent", arguments->silent, "Pass /s to regsvr32 so that it shows nothing");
  command.add_flag("--json", arguments->json, "Print one JSON document of the results instead of the log");
  command.add_option("--timeout", arguments->timeout_seconds,
                     "Seconds each regsvr32 may run before it is ended (default 60)")
      ->check(CLI::Range(1u, 86400u));
  command.add_option("TARGET", arguments->targets, "Folders (every .dll, then every .ocx) or libraries")
      ->required();
  return [arguments] { return RunRegister(*arguments); };
}

}  // namespace

extern const CommandSpec kRegisterCommand{
    "register", "Register libraries through the regsvr32 of their bitness and print the log", SetupRegister};

}  // namespace kv::cli
