// A damaged package installs nothing: the whole package is tested before the first byte is
// written, in the window and unattended.
#include "installer/package_check.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "installer/unattended.h"
#include "platform/unicode.h"
#include "tests/installer/installer_fixture.h"

namespace kv::installer {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WinPath;

// Bytes that deflate cannot shrink, so a cut or a flipped byte lands in member data.
std::string Noise(std::size_t size, std::uint32_t seed) {
  std::string bytes(size, '\0');
  for (char& c : bytes) {
    seed ^= seed << 13, seed ^= seed >> 17, seed ^= seed << 5;
    c = static_cast<char>(seed & 0xFF);
  }
  return bytes;
}

// The offset of the first data byte of the member `name`, found through its local header.
std::size_t MemberData(const std::string& file, const std::string& name) {
  for (std::size_t at = file.find("PK\x03\x04"); at != std::string::npos; at = file.find("PK\x03\x04", at + 1)) {
    const auto u16 = [&](std::size_t i) {
      return static_cast<std::size_t>(static_cast<unsigned char>(file[i]) | (static_cast<unsigned char>(file[i + 1]) << 8));
    };
    if (file.compare(at + 30, name.size(), name) == 0) return at + 30 + u16(at + 26) + u16(at + 28);
  }
  ADD_FAILURE() << "no member " << name;
  return 0;
}

struct Damage {
  const char* name;
  std::string (*apply)(std::string);
  const char* named_member;  // the member the report names
};

constexpr Damage kDamages[] = {
    {"LastThousandBytesCut", [](std::string f) { return f.substr(0, f.size() - 1000); }, "b.ocx"},
    {"ByteFlippedInsideAMember",
     [](std::string f) {
       f[MemberData(f, "a.dll") + 700] ^= 0x40;
       return f;
     },
     "a.dll"},
};

class DamagedPackage : public InstallerTest, public ::testing::WithParamInterface<Damage> {
 protected:
  // A package of two libraries of 20 KB each, damaged as the case says, in setup/case.exe.
  std::u16string DamagedCopy() {
    test::BuildPackage(dir, {{"a.dll", Noise(20000, 1)}, {"b.ocx", Noise(20000, 2)}},
                       package::Manifest{Destination(), u"Tools", u"Fixes"}, "setup/package.exe");
    dir.Write("setup/case.exe", GetParam().apply(ReadFile(dir / "setup" / "package.exe")));
    return WinPath(dir / "setup" / "case.exe");
  }
  void ExpectNothingWritten() {
    EXPECT_FALSE(fs::exists(dir / "dest with spaces")) << "the destination is not even created";
    EXPECT_FALSE(fs::exists(dir / "setup" / "mendkit.ini")) << "not even the manifest is extracted";
    EXPECT_TRUE(registered.empty());
  }
};

TEST_P(DamagedPackage, WindowNamesTheDamageAndOffersNothingToInstall) {
  Open(DamagedCopy());
  installation->ShowPackage();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].kind, ui::MessageKind::Error);
  const std::u16string& text = boxes.shown[0].text;
  EXPECT_EQ(text.rfind(kDamagedPackageText, 0), 0u);
  EXPECT_NE(text.find(platform::Utf8ToUtf16(GetParam().named_member) + u": "), std::u16string::npos)
      << platform::Utf16ToUtf8(text);
  EXPECT_EQ(package_info.Lines(), (std::vector<std::u16string>{kDamagedPackageText}));
  EXPECT_FALSE(install_button.Enabled());
  EXPECT_FALSE(installation->HoldsPackage());
  destination.SetText(Destination());
  installation->Install();  // a press that reaches the handler anyway does nothing
  ExpectNothingWritten();
}

TEST_P(DamagedPackage, UnattendedRunLogsTheDamageAndEndsWithFour) {
  const std::u16string package = DamagedCopy();
  const std::u16string log = WinPath(dir / "install.log");
  UnattendedHooks hooks{[] { return true; }, [this](const std::u16string& path) {
                          registered.push_back(path);
                          return registration::RegistrationResult{};
                        }};
  EXPECT_EQ(RunUnattended(*ParseUnattended({u"/S", u"/LOG=" + log}), package, hooks), kNoPackage);
  const std::string text = ReadFile(dir / "install.log");
  EXPECT_NE(text.find(platform::Utf16ToUtf8(kDamagedPackageText)), std::string::npos) << text;
  EXPECT_NE(text.find(std::string(GetParam().named_member) + ": "), std::string::npos) << text;
  ExpectNothingWritten();
}

INSTANTIATE_TEST_SUITE_P(Cases, DamagedPackage, ::testing::ValuesIn(kDamages),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(InstallerTest, WholePackageOfNoiseInstallsAfterItsCheck) {
  const auto package = test::BuildPackage(dir, {{"a.dll", Noise(20000, 1)}, {"b.ocx", Noise(20000, 2)}},
                                          package::Manifest{Destination(), u"Tools", u"Fixes"},
                                          "setup/package.exe");
  Open(package);
  installation->ShowPackage();
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_TRUE(installation->Damage().empty());
  installation->Install();
  EXPECT_EQ(ReadFile(dir / "dest with spaces" / "a.dll"), Noise(20000, 1));
  EXPECT_EQ(registered.size(), 2u);
}

}  // namespace
}  // namespace kv::installer
