// kolvane-cli list [--json] ARCHIVE: the entries in directory order.
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "tools/kolvane-cli/cli_support.h"
#include "tools/kolvane-cli/commands.h"

namespace kv::cli {
namespace {

struct ListArguments {
  std::string archive;
  bool json = false;
};

bool IsFolder(const archive::TDirItem& item) {
  return item.IsFolder() || (!item.Name.empty() && item.Name.back() == u'/');
}

std::string Crc(std::uint32_t crc) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(crc));
  return text;
}

nlohmann::ordered_json Entry(const archive::TDirItem& item) {
  return {{"name", Utf8(item.Name)},
          {"size", item.UncompressedSize()},
          {"compressed_size", item.CompressedSize()},
          {"method", item.CentralDir.compMethod},
          {"crc32", Crc(item.CentralDir.crc32)},
          {"dos_date", item.CentralDir.lastModDate},
          {"dos_time", item.CentralDir.lastModTime},
          {"attributes", item.CentralDir.externalAttr},
          {"folder", IsFolder(item)},
          {"comment", CommentText(item.Comment)}};
}

void PrintTable(const archive::TKZDirArray& dir) {
  std::printf("%12s %12s %6s %-8s %-16s %s\n", "Size", "Packed", "Method", "CRC-32", "Modified", "Name");
  for (std::int32_t i = 0; i < dir.Count(); ++i) {
    const auto& cd = dir[i].CentralDir;
    std::printf("%12llu %12llu %6u %-8s %04u-%02u-%02u %02u:%02u %s\n",
                static_cast<unsigned long long>(dir[i].UncompressedSize()),
                static_cast<unsigned long long>(dir[i].CompressedSize()), cd.compMethod, Crc(cd.crc32).c_str(),
                1980u + (cd.lastModDate >> 9), (cd.lastModDate >> 5) & 0x0Fu, cd.lastModDate & 0x1Fu,
                static_cast<unsigned>(cd.lastModTime >> 11), (cd.lastModTime >> 5) & 0x3Fu, Utf8(dir[i].Name).c_str());
  }
}

std::string Dump(const nlohmann::ordered_json& value) {
  return value.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

// One entry as the whole document's dump would show it inside "entries": every line indented
// by four more spaces (newlines inside strings are escaped, so every '\n' ends a line).
void PrintEntry(const archive::TDirItem& item, bool first) {
  std::string text = first ? "\n    " : ",\n    ";
  for (const char c : Dump(Entry(item))) {
    text += c;
    if (c == '\n') text += "    ";
  }
  std::fputs(text.c_str(), stdout);
}

// The JSON document written entry by entry, byte for byte what dumping it whole with an
// indent of 2 gives, without holding it whole.
void PrintJson(const archive::TKZDirManager& manager) {
  std::printf("{\n  \"stub_size\": %s,\n  \"comment\": %s,\n  \"entries\": [",
              Dump(nlohmann::ordered_json(manager.StubSize)).c_str(),
              Dump(nlohmann::ordered_json(CommentText(manager.ArchiveComment))).c_str());
  for (std::int32_t i = 0; i < manager.CDir.Count(); ++i) PrintEntry(manager.CDir[i], i == 0);
  std::printf(manager.CDir.Count() > 0 ? "\n  ]\n}\n" : "]\n}\n");
}

int RunList(const ListArguments& args) {
  const auto zip = OpenForReading(args.archive);
  if (!zip) return kExitUsage;
  const archive::TKZDirManager& manager = *zip->DMHandle();
  if (args.json)
    PrintJson(manager);
  else
    PrintTable(manager.CDir);
  return kExitOk;
}

CommandRun SetupList(CLI::App& command) {
  auto args = std::make_shared<ListArguments>();
  command.add_option("ARCHIVE", args->archive, "The archive (a ZIP file, also behind an executable stub)")->required();
  command.add_flag("--json", args->json,
                   "One JSON object: stub_size, comment and the entries in directory order (name, size, "
                   "compressed_size, method, crc32, dos_date, dos_time, attributes, folder, comment)");
  return [args] { return RunList(*args); };
}

}  // namespace

extern const CommandSpec kListCommand{"list", "List the entries of an archive", SetupList};

}  // namespace kv::cli
