#include "inspection/pe_headers.h"

#include <algorithm>
#include <string_view>

#include "archive/byte_cursor.h"

namespace kv::inspection {
namespace {

constexpr std::size_t kFirstRead = 4096;  // holds the headers of nearly every real file
constexpr std::size_t kDosHeaderSize = 64;
constexpr std::size_t kLfanewOffset = 0x3C;
constexpr std::size_t kPeHeaderSize = 24;  // "PE\0\0" and IMAGE_FILE_HEADER
constexpr std::size_t kSectionEntrySize = 40;
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;

// The fixed part of the optional header before the data directories, by magic.
constexpr std::size_t kPe32FixedSize = 96;
constexpr std::size_t kPe32PlusFixedSize = 112;

std::u16string BadHeader() { return pe_problems::kBadPeHeader; }

// `count` bytes at `offset`, from the first read when it holds them. The caller has checked
// that they lie inside the file.
std::string_view Slice(const ByteSource& source, const std::string& head, std::uint64_t offset,
                       std::size_t count, std::string& storage) {
  if (offset + count <= head.size()) return std::string_view(head).substr(offset, count);
  storage = source.Read(offset, count);
  return storage;
}

// Reads the optional header's fields after the magic; false when it is too short for its kind.
bool ReadOptionalHeader(std::string_view optional, PeHeaders& headers) {
  archive::ByteReader in(optional);
  const std::uint16_t magic = in.U16();
  if (magic != kPe32Magic && magic != kPe32PlusMagic) return false;
  headers.pe32_plus = magic == kPe32PlusMagic;
  const std::size_t fixed = headers.pe32_plus ? kPe32PlusFixedSize : kPe32FixedSize;
  if (optional.size() < fixed) return false;  // the fields below must lie inside the header

  archive::ByteReader base(optional.substr(headers.pe32_plus ? 24 : 28));
  headers.image_base = headers.pe32_plus ? base.U64() : base.U32();
  archive::ByteReader sizes(optional.substr(60));
  headers.size_of_headers = sizes.U32();
  archive::ByteReader count(optional.substr(fixed - 4));
  // Trust neither the count alone nor the header size alone: use what both allow, at most 16.
  const std::uint64_t slots =
      std::min<std::uint64_t>({count.U32(), kDirectorySlots, (optional.size() - fixed) / 8});
  archive::ByteReader dirs(optional.substr(fixed));
  for (std::uint64_t i = 0; i < slots; ++i) {
    headers.directories[i].rva = dirs.U32();
    headers.directories[i].size = dirs.U32();
  }
  return dirs.ok();
}

}  // namespace

Machine MachineFromCode(std::uint16_t code) {
  switch (code) {
    case 0x14C:
      return Machine::x86;
    case 0x8664:
      return Machine::x64;
    case 0xAA64:
      return Machine::arm64;
    default:
      return Machine::other;
  }
}

std::variant<PeHeaders, std::u16string> ReadPeHeaders(const ByteSource& source) {
  const std::uint64_t file_size = source.Size();
  const std::string head = source.Read(0, kFirstRead);
  if (head.size() < kDosHeaderSize || head.compare(0, 2, "MZ") != 0) return pe_problems::kNotWindowsProgram;

  archive::ByteReader dos(std::string_view(head).substr(kLfanewOffset));
  const std::uint64_t lfanew = dos.U32();
  if (file_size < kPeHeaderSize || lfanew > file_size - kPeHeaderSize) return BadHeader();

  std::string storage;
  archive::ByteReader pe(Slice(source, head, lfanew, kPeHeaderSize, storage));
  if (pe.Bytes(4) != std::string_view("PE\0\0", 4)) return BadHeader();
  PeHeaders headers;
  headers.machine_code = pe.U16();
  const std::uint16_t section_count = pe.U16();
  pe.Skip(12);  // time stamp, symbol table pointer and count
  const std::uint16_t optional_size = pe.U16();
  headers.characteristics = pe.U16();
  if (!pe.ok()) return BadHeader();

  // The optional header and the section table must both lie inside the file; at most about
  // 2.7 MB, since both counts are 16-bit.
  const std::uint64_t table_size = std::uint64_t{section_count} * kSectionEntrySize;
  const std::uint64_t rest = std::uint64_t{optional_size} + table_size;
  if (rest > file_size - lfanew - kPeHeaderSize) return BadHeader();
  const std::string_view after = Slice(source, head, lfanew + kPeHeaderSize, rest, storage);
  if (after.size() != rest) return BadHeader();  // the file shrank under us

  if (!ReadOptionalHeader(after.substr(0, optional_size), headers)) return BadHeader();
  headers.sections = ParseSectionTable(after.substr(optional_size), section_count);
  return headers;
}

}  // namespace kv::inspection
