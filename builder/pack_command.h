#pragma once
// Building a package without the dialog (kolvane-cli pack): the same manifest, staging and archive
// settings as the package dialog's Build, in a temporary work folder of its own.
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
  std::vector<std::u16string> libraries;      // full or relative paths of the files to include
  std::optional<std::u16string> temp_folder;  // where the work folder goes; default: the system's
};

struct PackOutput {
  std::function<void(const std::u16string&)> progress;  // "Compressing " + file, the closing message
  std::function<void(const std::u16string&)> error;     // the message of what stopped the build
};

// Builds the package: the libraries are staged with their dates in a new folder inside the system's
// temporary folder (the tool's own folder may be read-only), which is removed at the end, and
// become the members in the order given, followed by the manifest. `program_folder` is the tool's
// own folder, where the default installer program lies; nothing is written there. Progress and
// errors name each library as the request gave it ("Compressing " + library). Returns 0 when the
// package holds every library; otherwise tells why and returns 1, leaving no package behind (two
// libraries of the same file name are refused, as one would replace the other).
int RunPack(const PackRequest& request, const std::u16string& program_folder, const PackOutput& output);

}  // namespace kv::builder
