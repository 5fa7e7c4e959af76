// Fuzz target: extracting every entry of an archive made of arbitrary bytes into a scratch
// folder. The engine may refuse entries with its own errors; a crash, a sanitizer report, a
// hang, another exception, or any file written outside the destination is a finding. Names
// with a drive or a network prefix are refused by the handler, as every caller that extracts
// untrusted archives does (the engine writes those to the place they name).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "archive/errors.h"
#include "archive/kolzip.h"
#include "archive/stream.h"
#include "platform/unicode.h"

namespace {

namespace fs = std::filesystem;
using kv::archive::EKZException;

fs::path ScratchRoot() {
  return fs::temp_directory_path() / ("kv-fuzz-extract-" + std::to_string(::getpid()));
}

bool NamesItsOwnPlace(const std::u16string& name) {
  return (name.size() >= 2 && name[1] == u':') || name.substr(0, 2) == u"\\\\";
}

// Every file below the scratch root must lie inside the destination.
void CheckNothingOutside(const fs::path& root, const fs::path& destination) {
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(root, error); it != fs::recursive_directory_iterator();
       it.increment(error)) {
    if (error) break;
    if (it->is_directory()) continue;
    const std::string path = it->path().string();
    if (path.rfind(destination.string() + "/", 0) != 0) {
      std::fprintf(stderr, "written outside the destination: %s\n", path.c_str());
      std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fs::path root = ScratchRoot();
  const fs::path destination = root / "a" / "b" / "c" / "out";
  std::error_code error;
  fs::remove_all(root, error);
  fs::create_directories(destination.parent_path(), error);

  kv::archive::TKZMemoryStream stream(std::string(reinterpret_cast<const char*>(data), size));
  kv::archive::TKolZip zip;
  zip.OnExtractFile = [](kv::archive::TObject& sender, std::u16string& name, std::uint32_t&, const std::string&) {
    if (NamesItsOwnPlace(name))
      throw EKZException(kv::archive::kNative::CannotCreateExtractedFile, {name}, sender.Name);
  };
  zip.OnProcessFileFailure = [](kv::archive::TObject&, const std::u16string&, kv::archive::TKZProcessOperation,
                                std::int32_t, std::int32_t, const std::u16string&, kv::archive::TKZAction& action) {
    action = kv::archive::fxaIgnore;
  };
  try {
    zip.OpenArchive(stream, false);
    zip.SetBaseDir(kv::platform::Utf8ToUtf16(destination.string()));
    zip.ExtractFiles(u"*.*", 10431, u"");
    zip.CloseArchive();
  } catch (const EKZException&) {
    // A refusal of the whole archive in the engine's own terms.
  }
  CheckNothingOutside(root, destination);
  fs::remove_all(root, error);
  return 0;
}
