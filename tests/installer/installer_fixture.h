#pragma once
// The installer window over in-memory controls, started from a package built by the engine.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "installer/installation.h"
#include "tests/builder/package_fixture.h"
#include "tests/support/scripted_controls.h"

namespace kv::installer {

class InstallerTest : public ::testing::Test {
 protected:
  // A package in "setup" holding a.dll, b.ocx and a manifest naming `destination`.
  std::u16string MakePackage(const std::u16string& description = u"Fixes\r\n", bool with_manifest = true) {
    std::optional<package::Manifest> manifest;
    if (with_manifest) manifest = package::Manifest{Destination(), u"Tools", description};
    return test::BuildPackage(dir, {{"a.dll", "new a.dll"}, {"b.ocx", "new b.ocx"}}, manifest,
                              "setup/package.exe");
  }
  void Open(const std::u16string& package) {
    InstallerServices services{boxes,
                               picker,
                               pump,
                               [this] { closed += installation->ReadyToClose() ? 1 : 0; },
                               [this] { ++terminated; },
                               [this] { return administrator; },
                               [this](const std::u16string& path) {
                                 registered.push_back(path);
                                 registration::RegistrationResult result;
                                 result.registered = failing.count(path) == 0;
                                 if (!result.registered)
                                   result.cause =
                                       u"DllRegisterServer reported an error (regsvr32 exit code 5)";
                                 return result;
                               }};
    services.machine_hive = machine_hive.get();
    installation = std::make_unique<Installation>(Controls(), std::move(services), package);
  }
  InstallerControls Controls() {
    return {package_info,      destination,   overwrite,     processing,    progress,
            destination_field, browse_button, overwrite_box, install_button};
  }
  std::u16string Destination() const { return test::WinPath(dir / "dest with spaces"); }
  std::u16string InDestination(const char16_t* name) const { return Destination() + u"\\" + name; }
  std::vector<std::u16string> Texts() const {
    std::vector<std::u16string> texts;
    for (const auto& shown : boxes.shown) texts.push_back(shown.text);
    return texts;
  }

  test::TestDir dir;
  ui::MemoryLineList package_info;
  test::RecordingText destination, processing;
  ui::MemoryTickBox overwrite{true};
  test::RecordingProgressBar progress;
  ui::MemoryEnable destination_field, browse_button, overwrite_box, install_button;
  test::ScriptedMessageBoxes boxes;
  test::ScriptedFolderPicker picker;
  test::ScriptedMessagePump pump;
  int closed = 0;
  int terminated = 0;
  bool administrator = true;
  std::vector<std::u16string> registered;
  std::set<std::u16string> failing;
  std::unique_ptr<platform::RegistryHive> machine_hive = platform::OpenLocalMachineHive();
  std::unique_ptr<Installation> installation;
};

}  // namespace kv::installer
