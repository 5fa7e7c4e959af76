#pragma once
// Where the bytes of an image's RVAs lie in its file: the headers area and the raw data of each
// section. Only bytes the file really holds are mapped; an RVA in a section's zero-filled tail,
// between sections or past the file's end maps to nothing.
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace kv::inspection {

struct PeSection {
  std::uint32_t virtual_address = 0;
  std::uint32_t virtual_size = 0;
  std::uint32_t raw_size = 0;
  std::uint32_t raw_offset = 0;
};

// A run of file bytes: `length` bytes from `offset`, all inside the file.
struct FileSpan {
  std::uint64_t offset = 0;
  std::uint64_t length = 0;
};

class SectionMap {
 public:
  SectionMap(std::uint32_t size_of_headers, std::vector<PeSection> sections, std::uint64_t file_size);

  // The file bytes from `rva` to the end of the headers area or of the section holding it,
  // cut at the end of the file; nothing when the RVA is not backed by file bytes.
  std::optional<FileSpan> Map(std::uint64_t rva) const;

 private:
  std::optional<FileSpan> InFile(std::uint64_t offset, std::uint64_t length) const;

  std::uint32_t size_of_headers_;
  std::vector<PeSection> sections_;  // sorted by virtual address
  std::uint64_t file_size_;
};

// The section table of `count` 40-byte entries; `table` holds at least that many bytes.
std::vector<PeSection> ParseSectionTable(std::string_view table, std::uint16_t count);

}  // namespace kv::inspection
