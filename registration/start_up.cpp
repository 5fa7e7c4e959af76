#include "registration/start_up.h"

#include "kv/version.h"
#include "platform/errors.h"

namespace kv::registration {

bool RecordInstallPath(platform::RegistryHive& hive, const std::u16string& program_folder) {
  if (hive.ValueExists(kSettingsKey, kInstallPathValue)) return false;
  try {
    hive.WriteString(kSettingsKey, kInstallPathValue, program_folder);
  } catch (const platform::PlatformError&) {
    throw StartUpError("Failed to set data for 'InstallPath'");
  }
  return true;
}

std::u16string AboutText() {
  static constexpr const char16_t* kLines[] = {
      u"Kolvane - easy and comfortable libraries registering",
      u"Version: " KV_VERSION_TEXT_U,
      u"Release date: 14.02.2015",
      u"MendKit Version: 1.0",
      u"Ten years on the scene and still producing!",
      u"Build: " KV_VERSION_TEXT_U u".0 (32-bit Windows)",
  };
  std::u16string text;
  for (const char16_t* line : kLines) {
    if (!text.empty()) text += u"\r\n";
    text += line;
  }
  return text;
}

}  // namespace kv::registration
