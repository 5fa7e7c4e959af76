#pragma once
// The libraries that command-line arguments name: a folder stands for its .dll files and then
// its .ocx files (as the Register button lists them), a file for itself.
#include <string>
#include <utility>
#include <vector>

namespace kv::cli {

struct LibraryGroup {
  std::u16string folder;  // ends with "\"
  std::vector<std::u16string> names;
};

// Groups by folder, in the order the arguments first name each folder. An argument that is
// neither a file nor a folder is reported on stderr and sets `all_found` to false.
std::vector<LibraryGroup> LibraryTargets(const std::vector<std::string>& arguments, bool& all_found);

}  // namespace kv::cli
