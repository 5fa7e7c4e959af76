#pragma once
// The DOS header, PE signature, file header, optional header and section table of an image:
// everything the directory readers need to find their tables.
#include <array>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "inspection/pe_image.h"
#include "inspection/pe_sections.h"

namespace kv::inspection {

struct DataDirectory {
  std::uint32_t rva = 0;  // a file offset for the certificate table
  std::uint32_t size = 0;
  bool present() const { return rva != 0 && size != 0; }
};

enum DirectoryIndex : std::size_t {
  kExportDirectory = 0,
  kImportDirectory = 1,
  kCertificateDirectory = 4,
  kDelayImportDirectory = 13,
  kClrDirectory = 14,
  kDirectorySlots = 16,  // entries beyond the sixteenth are ignored, as the loader does
};

struct PeHeaders {
  std::uint16_t machine_code = 0;
  std::uint16_t characteristics = 0;
  bool pe32_plus = false;
  std::uint64_t image_base = 0;
  std::uint32_t size_of_headers = 0;
  std::array<DataDirectory, kDirectorySlots> directories{};  // the missing ones are zero
  std::vector<PeSection> sections;
};

// The headers, or the problem text (pe_problems) that says why the bytes are no image.
// Reads the first few KiB of the source and, only when the headers reach further, one more
// read of exactly the header span.
std::variant<PeHeaders, std::u16string> ReadPeHeaders(const ByteSource& source);

Machine MachineFromCode(std::uint16_t code);

}  // namespace kv::inspection
