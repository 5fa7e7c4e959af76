#include "tests/inspection/pe_test_files.h"

#include <algorithm>
#include <stdexcept>

namespace kv::test {
namespace fs = std::filesystem;

fs::path WineSystemFile(Bitness bitness, const std::string& name) {
#ifdef _WIN32
  const fs::path root = bitness == Bitness::x86 ? "Z:\\usr\\lib\\i386-linux-gnu\\wine\\i386-windows"
                                                : "Z:\\usr\\lib\\x86_64-linux-gnu\\wine\\x86_64-windows";
#else
  const fs::path root = bitness == Bitness::x86 ? "/usr/lib/i386-linux-gnu/wine/i386-windows"
                                                : "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows";
#endif
  return root / name;
}

bool HaveWineSystemFiles(Bitness bitness) {
  std::error_code ec;
  return fs::is_regular_file(WineSystemFile(bitness, "version.dll"), ec);
}

PeBytes::PeBytes(std::string data) : bytes(std::move(data)) {
  lfanew_ = U32(0x3C);
  if (bytes.compare(lfanew_, 4, std::string_view("PE\0\0", 4)) != 0)
    throw std::runtime_error("not a PE file");
  section_table_ = optional_header() + U16(file_header() + 16);
  section_count_ = U16(file_header() + 2);
  pe32_plus_ = U16(optional_header()) == 0x20B;
  image_base_ = pe32_plus_ ? (std::uint64_t{U32(optional_header() + 28)} << 32) | U32(optional_header() + 24)
                           : U32(optional_header() + 28);
  if (section_table_ + 40 * section_count_ > kScratch || U32(optional_header() + 60) < kScratchEnd)
    throw std::runtime_error("no free header bytes to patch into");
}

std::uint32_t PeBytes::U32(std::uint64_t offset) const {
  return U16(offset) | (std::uint32_t{U16(offset + 2)} << 16);
}

std::uint16_t PeBytes::U16(std::uint64_t offset) const {
  const auto byte = [&](std::uint64_t at) { return static_cast<unsigned char>(bytes.at(at)); };
  return static_cast<std::uint16_t>(byte(offset) | (byte(offset + 1) << 8));
}

void PeBytes::Put32(std::uint64_t offset, std::uint32_t value) {
  Put16(offset, static_cast<std::uint16_t>(value));
  Put16(offset + 2, static_cast<std::uint16_t>(value >> 16));
}

void PeBytes::Put16(std::uint64_t offset, std::uint16_t value) {
  bytes.at(offset) = static_cast<char>(value & 0xFF);
  bytes.at(offset + 1) = static_cast<char>(value >> 8);
}

void PeBytes::Put(std::uint64_t offset, std::string_view data) {
  if (offset + data.size() > bytes.size()) throw std::out_of_range("patch beyond the file");
  bytes.replace(offset, data.size(), data);
}

std::pair<std::uint32_t, std::uint32_t> PeBytes::Directory(int index) const {
  const std::uint64_t at = rva_count_field() + 4 + 8 * index;
  return {U32(at), U32(at + 4)};
}

void PeBytes::SetDirectory(int index, std::uint32_t rva, std::uint32_t size) {
  const std::uint64_t at = rva_count_field() + 4 + 8 * index;
  Put32(at, rva);
  Put32(at + 4, size);
}

std::uint32_t PeBytes::CutAfterLastSection(std::uint32_t n) {
  const std::uint64_t last = section_table_ + 40ULL * (section_count_ - 1);
  const std::uint32_t virtual_size = U32(last + 8), va = U32(last + 12), raw_size = U32(last + 16);
  const std::uint32_t backed = virtual_size == 0 ? raw_size : std::min(raw_size, virtual_size);
  if (backed < n) throw std::out_of_range("last section too small");
  bytes.resize(U32(last + 20) + backed);
  return va + backed - n;
}

std::uint64_t PeBytes::FileOffset(std::uint32_t rva) const {
  for (std::uint64_t s = section_table_; s < section_table_ + 40ULL * section_count_; s += 40) {
    const std::uint32_t va = U32(s + 12), raw_size = U32(s + 16), raw = U32(s + 20);
    if (rva >= va && rva - va < raw_size) return raw + (rva - va);
  }
  if (rva < kScratchEnd) return rva;
  throw std::out_of_range("RVA outside the sections");
}

}  // namespace kv::test
