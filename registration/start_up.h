#pragma once
// What the registration tool's main window does when it is created, apart from the window
// itself: record the program's folder in the current user's hive, and the about-box text.
#include <stdexcept>
#include <string>

#include "platform/registry.h"

namespace kv::registration {

inline constexpr char16_t kSettingsKey[] = u"\\Software\\Velmora\\Kolvane";
inline constexpr char16_t kInstallPathValue[] = u"InstallPath";

// The start-up's failure: its message is the text to show in the standard error box.
class StartUpError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Writes `program_folder` (the folder of the program's own file, with its trailing backslash)
// as "InstallPath" under kSettingsKey, creating the key, only when the value does not exist
// yet: a value left by a copy in another folder stays as it is. Returns true when it wrote.
// Throws StartUpError "Failed to set data for 'InstallPath'" when the value cannot be written.
bool RecordInstallPath(platform::RegistryHive& hive, const std::u16string& program_folder);

// The about box's text: the five fixed lines, then the build's version, separated by CR LF.
std::u16string AboutText();

}  // namespace kv::registration
