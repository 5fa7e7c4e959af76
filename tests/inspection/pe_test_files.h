#pragma once
// Real PE files for the inspection tests and a small editor of their bytes for building damaged
// or patched variants in the test itself.
//
// The real files are the system libraries the Wine packages install as genuine PE images
// (Wine builds them with mingw-w64): /usr/lib/i386-linux-gnu/wine/i386-windows for 32-bit and
// /usr/lib/x86_64-linux-gnu/wine/x86_64-windows for 64-bit. Under Wine the test program reaches
// them through drive Z:.
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>

namespace kv::test {

enum class Bitness { x86, x64 };

inline const char* BitnessName(Bitness b) { return b == Bitness::x86 ? "x86" : "x64"; }
inline void PrintTo(Bitness b, std::ostream* os) { *os << BitnessName(b); }

// The Wine system file `name` of that bitness, as a path this test program can open.
std::filesystem::path WineSystemFile(Bitness bitness, const std::string& name);

// True when the Wine system libraries of that bitness are installed.
bool HaveWineSystemFiles(Bitness bitness);

// Reads and edits a PE file's bytes by the offsets of its headers. Offsets and sizes are taken
// from the unmodified file when it is loaded, so they stay valid while the bytes are damaged.
class PeBytes {
 public:
  explicit PeBytes(std::string bytes);

  std::string bytes;

  std::uint32_t U32(std::uint64_t offset) const;
  std::uint16_t U16(std::uint64_t offset) const;
  void Put32(std::uint64_t offset, std::uint32_t value);
  void Put16(std::uint64_t offset, std::uint16_t value);
  void Put(std::uint64_t offset, std::string_view data);

  std::uint64_t lfanew() const { return lfanew_; }
  std::uint64_t file_header() const { return lfanew_ + 4; }
  std::uint64_t optional_header() const { return lfanew_ + 24; }
  std::uint64_t section_table() const { return section_table_; }
  std::uint16_t section_count() const { return section_count_; }
  bool pe32_plus() const { return pe32_plus_; }
  std::uint64_t image_base() const { return image_base_; }
  std::uint64_t rva_count_field() const { return optional_header() + (pe32_plus_ ? 108 : 92); }

  std::pair<std::uint32_t, std::uint32_t> Directory(int index) const;  // rva, size
  void SetDirectory(int index, std::uint32_t rva, std::uint32_t size);

  // Cuts the file where the file bytes of its last section end (dropping anything after them)
  // and gives the RVA of that section's last `n` bytes: data written there runs into the end
  // of the file, and the RVA after it is backed by nothing.
  std::uint32_t CutAfterLastSection(std::uint32_t n);
  // The file offset of `rva` through the section table (the test's own simple mapping).
  std::uint64_t FileOffset(std::uint32_t rva) const;

  // Unused header bytes after the section table, up to the end of the 4 KiB headers area: in
  // the headers an RVA equals its file offset, so data written here is reachable by RVA.
  static constexpr std::uint32_t kScratch = 0x600;
  static constexpr std::uint32_t kScratchEnd = 0x1000;

 private:
  std::uint64_t lfanew_ = 0;
  std::uint64_t section_table_ = 0;
  std::uint16_t section_count_ = 0;
  bool pe32_plus_ = false;
  std::uint64_t image_base_ = 0;
};

}  // namespace kv::test
