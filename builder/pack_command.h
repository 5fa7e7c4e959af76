#pragma once
// Building a package without the dialog (kolvane-cli pack): the same manifest, staging folder and
// archive settings as the package dialog's Build.
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kv::builder {

struct PackRequest {
  std::u16string name;
  std::u16string path;
  std::u16string description;          // lines separated by line breaks, as in the dialog's memo
  std::optional<std::u16string> stub;  // default: the installer program beside the tool
  std::u16string out;
  std::vector<std::u16string> libraries;  // full or relative paths of the files to include
};

struct PackOutput {
  std::function<void(const std::u16string&)> progress;  // "Compressing " + file, the closing message
  std::function<void(const std::u16string&)> error;     // the message of what stopped the build
};

// Builds the package. `program_folder` is the tool's own folder (manifest and staging folder live
// beside it). Returns 0 when the package holds every library; otherwise tells why and returns 1,
// leaving no package behind.
int RunPack(const PackRequest& request, const std::u16string& program_folder, const PackOutput& output);

}  // namespace kv::builder
