// Fuzz target: reading a library's headers and tables from arbitrary bytes. The reader must
// answer every input with an image or a problem text; a crash, a sanitizer report, an
// exception, a hang or an unbounded allocation is a finding.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "inspection/pe_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const kv::inspection::MemorySource source(std::string_view(reinterpret_cast<const char*>(data), size));
  const kv::inspection::PeReadResult read = kv::inspection::ReadPeImage(source);
  // Use every field, as the callers do, so that nothing read is optimised away.
  std::size_t checksum = read.problem.size();
  if (read.image) {
    for (const auto& e : read.image->exports) checksum += e.name.size() + e.forwarded_to.size();
    for (const auto& dll : read.image->imports) checksum += dll.size();
    for (const auto& dll : read.image->delay_imports) checksum += dll.size();
    checksum += read.image->certificate_offset + read.image->certificate_size + read.image->machine_code;
    checksum += read.image->Exports("DllRegisterServer");
  }
  volatile std::size_t sink = checksum;
  (void)sink;
  return 0;
}
