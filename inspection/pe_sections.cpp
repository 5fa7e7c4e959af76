#include "inspection/pe_sections.h"

#include <algorithm>
#include <iterator>

#include "archive/byte_cursor.h"

namespace kv::inspection {

SectionMap::SectionMap(std::uint32_t size_of_headers, std::vector<PeSection> sections,
                       std::uint64_t file_size)
    : size_of_headers_(size_of_headers), sections_(std::move(sections)), file_size_(file_size) {
  // Sorted once so that a lookup is a binary search: a hostile table may have tens of thousands
  // of entries, and every table entry and name is looked up.
  std::stable_sort(sections_.begin(), sections_.end(), [](const PeSection& a, const PeSection& b) {
    return a.virtual_address < b.virtual_address;
  });
}

std::optional<FileSpan> SectionMap::Map(std::uint64_t rva) const {
  // Real images never overlap their sections; in a file that does, the section starting
  // closest below the RVA is the one that counts.
  auto after = std::upper_bound(sections_.begin(), sections_.end(), rva,
                                [](std::uint64_t r, const PeSection& s) { return r < s.virtual_address; });
  if (after != sections_.begin()) {
    const PeSection& s = *std::prev(after);
    // Bytes past the virtual size are not part of the loaded section; a zero virtual size is
    // what old linkers wrote for "as large as the raw data".
    const std::uint64_t backed = s.virtual_size == 0 ? s.raw_size : std::min(s.raw_size, s.virtual_size);
    const std::uint64_t into = rva - s.virtual_address;
    if (into < backed) return InFile(std::uint64_t{s.raw_offset} + into, backed - into);
  }
  if (rva < size_of_headers_) return InFile(rva, size_of_headers_ - rva);
  return std::nullopt;
}

std::optional<FileSpan> SectionMap::InFile(std::uint64_t offset, std::uint64_t length) const {
  if (offset >= file_size_) return std::nullopt;
  return FileSpan{offset, std::min(length, file_size_ - offset)};
}

std::vector<PeSection> ParseSectionTable(std::string_view table, std::uint16_t count) {
  std::vector<PeSection> sections;
  sections.reserve(count);
  archive::ByteReader in(table);
  for (std::uint16_t i = 0; i < count && in.ok(); ++i) {
    PeSection s;
    in.Skip(8);  // name
    s.virtual_size = in.U32();
    s.virtual_address = in.U32();
    s.raw_size = in.U32();
    s.raw_offset = in.U32();
    in.Skip(16);  // relocation and line-number pointers and counts, characteristics
    if (in.ok()) sections.push_back(s);
  }
  return sections;
}

}  // namespace kv::inspection
