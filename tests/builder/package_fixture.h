#pragma once
// Packages for the builder and installer tests, made by the package build itself: a tool folder
// with a stand-in installer program (a few kilobytes starting with "MZ"), staged files, the manifest.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "archive/kolzip.h"
#include "archive/options.h"
#include "builder/package_build.h"
#include "tests/support/test_dir.h"

namespace kv::test {

// A test path as the Windows path the engine works with (drive Z: in the POSIX stand-in, as under Wine).
inline std::u16string WinPath(const std::filesystem::path& p) {
  std::u16string text = PathText(p);
#ifndef _WIN32
  for (char16_t& c : text)
    if (c == u'/') c = u'\\';
  if (!text.empty() && text[0] == u'\\') text = u"Z:" + text;
#endif
  return text;
}

inline std::string StubBytes() {
  std::string stub = "MZ";
  for (int i = 0; stub.size() < 3000; ++i) stub.push_back(static_cast<char>(i * 7 + 3));
  return stub;
}

// Writes the stand-in installer program into `tool` and returns the build places there.
inline builder::BuildPlaces MakeTool(const TestDir& dir, const std::string& tool = "tool") {
  dir.Write(tool + "/mendKit.exe", StubBytes());
  return builder::BuildPlaces::Beside(WinPath(dir / tool));
}

// Builds `package` (a path below `dir`) holding `files` and, when given, the manifest.
inline std::u16string BuildPackage(const TestDir& dir, const std::map<std::string, std::string>& files,
                                   const std::optional<package::Manifest>& manifest,
                                   const std::string& package = "pkg/package.exe") {
  const builder::BuildPlaces places = MakeTool(dir, "packer");
  builder::PrepareStaging(places);
  for (const auto& [name, bytes] : files) dir.Write("packer/Temp/" + name, bytes);
  if (manifest) builder::WriteManifestWithStagingCopy(places, *manifest);
  std::filesystem::create_directories((dir / package).parent_path());
  archive::TKolZip archiver;
  builder::ConfigurePackageArchiver(archiver);
  builder::WritePackageArchive(archiver, places, WinPath(dir / package));
  return WinPath(dir / package);
}

struct Member {
  std::u16string name;
  std::int64_t size;
  bool operator==(const Member&) const = default;
};

// The members of a package, in archive order, read by the engine.
inline std::vector<Member> ListPackage(const std::u16string& package) {
  archive::TKolZip reader;
  reader.SetFileName(package);
  reader.OpenArchive(archive::kModeReadShared);
  std::vector<Member> members;
  archive::TKZArchiveItem item;
  for (bool found = reader.FindFirst(u"*.*", item, archive::kDefaultSearchAttr, u""); found;
       found = reader.FindNext(item))
    members.push_back({item.FileName, item.UncompressedSize});
  reader.CloseArchive();
  return members;
}

inline void PrintTo(const Member& m, std::ostream* os) {
  *os << std::string(m.name.begin(), m.name.end()) << ":" << m.size;
}

}  // namespace kv::test
