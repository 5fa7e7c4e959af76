#include <algorithm>
#include <functional>
#include <string_view>

#include "archive/byte_cursor.h"
#include "inspection/pe_directories.h"

namespace kv::inspection {
namespace {

constexpr std::uint64_t kImportDescriptorSize = 20;
constexpr std::uint64_t kDelayDescriptorSize = 32;
// Far more DLLs than any real program imports; stops a hostile list of repeated descriptors
// from filling memory with copies of one name.
constexpr std::size_t kMaxDescriptors = 4096;
// Delay-load attributes: set by every linker since Visual C++ 7; the descriptor holds RVAs.
constexpr std::uint32_t kDelayAttributeRva = 0x1;

bool AllZero(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == 0; });
}

// Walks descriptors of `size` bytes from `rva` up to the all-zero one; `name_rva` gives the RVA
// of a descriptor's DLL name, or nothing when the descriptor cannot hold a valid one.
bool ReadDescriptorNames(ImageReader& reader, const DataDirectory& directory, std::uint64_t size,
                         const std::function<std::optional<std::uint64_t>(std::string_view)>& name_rva,
                         std::vector<std::string>& dlls) {
  if (directory.rva == 0) return true;
  reader.Prefetch(directory.rva, directory.size);
  bool clean = true;
  for (std::size_t i = 0; i < kMaxDescriptors; ++i) {
    // A list that runs off its section without the all-zero descriptor ends here as damaged.
    const std::string_view descriptor = reader.Bytes(directory.rva + i * size, size);
    if (descriptor.empty()) return false;
    if (AllZero(descriptor)) return clean;
    const auto rva = name_rva(descriptor);
    auto name = rva && *rva != 0 ? reader.String(*rva) : std::nullopt;
    if (name)
      dlls.push_back(std::move(*name));
    else
      clean = false;
  }
  return false;
}

}  // namespace

bool ReadImports(ImageReader& reader, const DataDirectory& directory, std::vector<std::string>& dlls) {
  const auto name_rva = [](std::string_view descriptor) -> std::optional<std::uint64_t> {
    archive::ByteReader in(descriptor);
    in.Skip(12);  // lookup table, time stamp, forwarder chain
    return in.U32();
  };
  return ReadDescriptorNames(reader, directory, kImportDescriptorSize, name_rva, dlls);
}

bool ReadDelayImports(ImageReader& reader, const DataDirectory& directory, std::uint64_t image_base,
                      std::vector<std::string>& dlls) {
  const auto name_rva = [image_base](std::string_view descriptor) -> std::optional<std::uint64_t> {
    archive::ByteReader in(descriptor);
    const std::uint32_t attributes = in.U32();
    const std::uint64_t name = in.U32();
    if (attributes & kDelayAttributeRva) return name;
    if (name < image_base) return std::nullopt;  // an address below the image is no part of it
    return name - image_base;
  };
  return ReadDescriptorNames(reader, directory, kDelayDescriptorSize, name_rva, dlls);
}

}  // namespace kv::inspection
