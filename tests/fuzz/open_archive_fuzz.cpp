// Fuzz target: opening an archive from arbitrary bytes, with OpenCorruptedArchives off and on.
// The engine may refuse the bytes with its own error; anything else (a crash, a sanitizer
// report, another exception, a hang) is a finding.
#include <cstddef>
#include <cstdint>
#include <string>

#include "archive/dir_manager.h"
#include "archive/errors.h"
#include "archive/kolzip.h"
#include "archive/stream.h"

namespace {

// Reads every loaded item and looks each name up again, as the finding and extracting
// operations would.
void WalkDirectory(kv::archive::TKZDirManager& dm) {
  std::uint64_t checksum = 0;
  for (std::int32_t i = 0; i < dm.CDir.Count(); ++i) {
    const kv::archive::TDirItem& item = dm.CDir[i];
    checksum += item.UncompressedSize() + item.CompressedSize() + item.LocalHeaderOffset() + item.Comment.size();
    for (const auto& block : item.ExtraFields) checksum += block.pData.size();
    std::int32_t found = -1;
    dm.CDir.FileExists(item.Name, found);
    checksum += static_cast<std::uint64_t>(found);
  }
  volatile std::uint64_t sink = checksum;
  (void)sink;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  for (bool open_corrupted : {false, true}) {
    kv::archive::TKZMemoryStream stream(std::string(reinterpret_cast<const char*>(data), size));
    kv::archive::TKolZip zip;
    zip.SetOpenCorruptedArchives(open_corrupted);
    try {
      zip.OpenArchive(stream, false);
      WalkDirectory(*zip.DMHandle());
      (void)zip.FileCount();
      zip.CloseArchive();
    } catch (const kv::archive::EKZException&) {
      // A refusal in the engine's own terms.
    }
  }
  return 0;
}
