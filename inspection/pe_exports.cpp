#include <optional>

#include "archive/byte_cursor.h"
#include "inspection/pe_directories.h"

namespace kv::inspection {
namespace {

constexpr std::uint64_t kExportDirectorySize = 40;
// Ordinals are 16-bit, so a real name table never holds more names than this.
constexpr std::uint32_t kMaxNames = 0x10000;

struct ExportTables {
  std::uint32_t function_count = 0;
  std::uint32_t name_count = 0;
  std::uint32_t functions = 0;  // RVAs of the three tables
  std::uint32_t names = 0;
  std::uint32_t ordinals = 0;
};

std::optional<ExportTables> ReadExportDirectory(ImageReader& reader, std::uint32_t rva) {
  archive::ByteReader in(reader.Bytes(rva, kExportDirectorySize));
  in.Skip(20);  // flags, time stamp, version, DLL name, ordinal base
  ExportTables t;
  t.function_count = in.U32();
  t.name_count = in.U32();
  t.functions = in.U32();
  t.names = in.U32();
  t.ordinals = in.U32();
  if (!in.ok()) return std::nullopt;
  return t;
}

// The address of function `index`, or nothing when the index or the table is out of bounds.
std::optional<std::uint32_t> FunctionAddress(ImageReader& reader, const ExportTables& t,
                                             std::uint16_t index) {
  if (index >= t.function_count) return std::nullopt;
  archive::ByteReader in(reader.Bytes(std::uint64_t{t.functions} + 4ULL * index, 4));
  const std::uint32_t address = in.U32();
  if (!in.ok()) return std::nullopt;
  return address;
}

}  // namespace

bool ReadExports(ImageReader& reader, const DataDirectory& directory, std::vector<PeExport>& exports) {
  if (directory.rva == 0) return true;
  // The directory's range usually holds the three tables and all names: one read for all.
  reader.Prefetch(directory.rva, directory.size);
  const auto tables = ReadExportDirectory(reader, directory.rva);
  if (!tables) return false;
  if (tables->name_count == 0) return true;
  if (tables->name_count > kMaxNames) return false;

  archive::ByteReader names(reader.Bytes(tables->names, 4ULL * tables->name_count));
  archive::ByteReader ordinals(reader.Bytes(tables->ordinals, 2ULL * tables->name_count));
  if (!names.ok() || !ordinals.ok()) return false;  // an empty view fails at the first read

  bool clean = true;
  exports.reserve(tables->name_count);
  for (std::uint32_t i = 0; i < tables->name_count; ++i) {
    auto name = reader.String(names.U32());
    const auto address = FunctionAddress(reader, *tables, ordinals.U16());
    if (!names.ok() || !ordinals.ok()) return false;
    if (!name || !address) {
      clean = false;  // skip this entry; the next may still be sound
      continue;
    }
    PeExport entry{std::move(*name), {}};
    const bool forwarded = *address >= directory.rva && *address - directory.rva < directory.size;
    if (forwarded) {
      auto target = reader.String(*address);
      if (target)
        entry.forwarded_to = std::move(*target);
      else
        clean = false;  // the export exists; only where it leads is unknown
    }
    exports.push_back(std::move(entry));
  }
  return clean;
}

}  // namespace kv::inspection
