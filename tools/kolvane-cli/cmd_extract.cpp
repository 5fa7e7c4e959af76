// kolvane-cli extract ARCHIVE DESTDIR [MASK...] [--overwrite MODE]: extracts below DESTDIR
// and never outside it.
#include <cstdio>
#include <iostream>
#include <map>
#include <memory>
#include <set>

#include "package/message_box_prompter.h"
#include "platform/reserved_names.h"
#include "tools/kolvane-cli/cli_support.h"
#include "tools/kolvane-cli/commands.h"
#include "controls/controls.h"

namespace kv::cli {
namespace {

struct ExtractArguments {
  std::string archive;
  std::string destination;
  std::vector<std::string> masks;
  std::string overwrite = "prompt";
};

const std::map<std::string, archive::TKZOverwriteMode> kOverwriteModes = {
    {"always", archive::omAlways}, {"never", archive::omNever},     {"prompt", archive::omPrompt},
    {"if-newer", archive::omIfNewer}, {"if-older", archive::omIfOlder}};

// Why an entry name (with "\" separators) may not be written below the destination, or
// nullptr when it may.
const char* RefusalReason(std::u16string_view name) {
  if (name.size() >= 2 && name[1] == u':') return "it names a drive";
  if (name.substr(0, 2) == u"\\\\") return "it names a network path";
  if (!name.empty() && name[0] == u'\\') return "it starts at the root";
  if (name.find(u':') != std::u16string_view::npos) return "it contains \":\"";
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find(u'\\', start);
    if (end == std::u16string_view::npos) end = name.size();
    const auto part = name.substr(start, end - start);
    if (part == u"..") return "it climbs out of the destination";
    for (char16_t c : part)
      if (c < 0x20 || std::u16string_view(u"<>\"|?*").find(c) != std::u16string_view::npos)
        return "Windows cannot hold that name";
    if (!part.empty() && part != u"." && (part.back() == u'.' || part.back() == u' '))
      return "Windows cannot hold that name";
    if (platform::IsReservedDeviceName(part)) return "Windows reserves that name";
    start = end + 1;
  }
  return nullptr;
}

// The overwrite question on the terminal: y, n, A (yes to all), N (no to all). End of input
// counts as a box closed without an answer, which keeps the file.
class TerminalBoxes : public ui::MessageBoxes {
 public:
  ui::MessageAnswer Show(const std::u16string& text, const std::u16string&, ui::MessageKind,
                         ui::MessageButtons) override {
    std::fprintf(stderr, "%s? [y]es, [n]o, [A]ll, [N]one: ", Shown(text).c_str());
    std::fflush(stderr);
    std::string line;
    if (!std::getline(std::cin, line)) {
      std::fprintf(stderr, "\n");
      return ui::MessageAnswer::Cancel;
    }
    if (line == "y" || line == "Y" || line == "yes") return ui::MessageAnswer::Yes;
    if (line == "A") return ui::MessageAnswer::YesToAll;
    if (line == "N") return ui::MessageAnswer::NoToAll;
    return ui::MessageAnswer::No;
  }
};

int RunExtract(const ExtractArguments& args) {
  const auto zip = OpenForReading(args.archive);
  if (!zip) return kExitUsage;
  TerminalBoxes boxes;
  package::MessageBoxPrompter prompter(boxes);
  zip->Prompts = &prompter;
  zip->SetBaseDir(PathArgument(args.destination));
  zip->Options().SetOverwriteMode(kOverwriteModes.at(args.overwrite));
  int failures = 0;
  std::set<std::u16string> refused;
  zip->OnExtractFile = [&](archive::TObject& sender, std::u16string& name, std::uint32_t&, const std::string&) {
    if (const char* reason = RefusalReason(name)) {
      refused.insert(name);
      ReportError(args.archive + ": " + Utf8(name), std::string("refused: ") + reason);
      throw archive::EKZException(archive::kNative::CannotCreateExtractedFile, {name}, sender.Name);
    }
  };
  zip->OnProcessFileFailure = [&](archive::TObject&, const std::u16string& name, archive::TKZProcessOperation,
                                  std::int32_t, std::int32_t, const std::u16string& message,
                                  archive::TKZAction& action) {
    ++failures;
    if (!refused.count(name)) ReportError(args.archive + ": " + Utf8(name), Utf8(message));
    action = archive::fxaIgnore;
  };
  try {
    if (args.masks.empty()) {
      zip->ExtractFiles(u"*.*", archive::kDefaultSearchAttr, u"");
    } else {
      for (const auto& mask : args.masks) zip->FileMasks().push_back(PathArgument(mask));
      zip->ExtractFiles();
    }
  } catch (const std::exception& error) {
    ReportError(args.archive, error.what());
    return kExitUsage;
  }
  return failures ? kExitMemberFailed : kExitOk;
}

CommandRun SetupExtract(CLI::App& command) {
  auto args = std::make_shared<ExtractArguments>();
  command.add_option("ARCHIVE", args->archive, "The archive")->required();
  command.add_option("DESTDIR", args->destination, "The folder to extract into (created when missing)")->required();
  command.add_option("MASK", args->masks, "Only entries matching these masks (default: all)");
  command.add_option("--overwrite", args->overwrite,
                     "What to do with existing files: always, never, prompt (default; asks on the terminal, "
                     "keeps the file at end of input), if-newer, if-older")
      ->check(CLI::IsMember({"always", "never", "prompt", "if-newer", "if-older"}));
  command.footer(
      "Entries whose names carry a drive, a root, a network prefix, a \":\", a \"..\" step or a name Windows "
      "reserves or cannot hold are refused and reported; the rest is extracted.");
  return [args] { return RunExtract(*args); };
}

}  // namespace

extern const CommandSpec kExtractCommand{"extract", "Extract entries below a destination folder", SetupExtract};

}  // namespace kv::cli
