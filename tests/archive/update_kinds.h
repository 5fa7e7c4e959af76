#pragma once
// The kinds of update the crash-safety tests stop at many points: adding a member, replacing
// the first, a middle or the last one, adding to a package behind a stub, and an update that
// also sets the archive comment. Each case builds its old archive in a test folder and
// knows how to run its update there.
#include <filesystem>
#include <string>

#include "tests/archive/commit_test_support.h"
#include "tests/archive/zip_fixture.h"

namespace kv::archive::test {

struct UpdateKind {
  const char* name;
  int replace;  // index of the member replaced, -1: a new member is added
  bool stub;    // the archive is a package behind a stub
  bool comment; // the update also sets the archive comment
};

inline constexpr UpdateKind kUpdateKinds[] = {
    {"AddMember", -1, false, false},     {"ReplaceFirst", 0, false, false},
    {"ReplaceMiddle", 1, false, false},  {"ReplaceLast", 2, false, false},
    {"AddBehindAStub", -1, true, false}, {"AddWithComment", -1, false, true},
};

inline std::filesystem::path ArchiveOf(const kv::test::TestDir& dir, const UpdateKind& kind) {
  return dir / (kind.stub ? "p.exe" : "a.zip");
}

// Builds the old archive of three members and writes the sources of the update; returns
// the old archive's bytes.
inline std::string PrepareUpdate(const kv::test::TestDir& dir, const UpdateKind& kind) {
  dir.Write("src/one.txt", Content(40000, 1));
  dir.Write("src/two.bin", Content(30000, 2, true));
  dir.Write("src/three.txt", Content(20000, 3));
  if (kind.stub) dir.Write("stub.exe", FakeStub(3000));
  {
    TKolZip zip;
    zip.SetFileName(kv::test::PathText(ArchiveOf(dir, kind)));
    if (kind.stub) zip.SetSFXStub(kv::test::PathText(dir / "stub.exe"));
    zip.OpenArchive(kModeCreate);
    zip.SetBaseDir(kv::test::PathText(dir / "src"));
    zip.AddFiles(u"*.*", kDefaultSearchAttr, u"");
    if (kind.comment) zip.SetComment("the old comment");
    zip.CloseArchive();
  }
  const std::string before = kv::test::ReadFile(ArchiveOf(dir, kind));
  if (kind.replace >= 0) {
    dir.Write("src/" + ReadWritten(before).entries[static_cast<std::size_t>(kind.replace)].name, Content(50000, 9));
  } else {
    dir.Write("src/four.txt", Content(10000, 4));
  }
  return before;
}

// The name of the source the update adds or replaces.
inline std::u16string UpdatedName(const std::string& before, const UpdateKind& kind) {
  if (kind.replace < 0) return u"four.txt";
  return platform::Utf8ToUtf16(ReadWritten(before).entries[static_cast<std::size_t>(kind.replace)].name);
}

// Runs the update on the archive in `dir` through `zip` (open, one update bracket, close).
inline void RunUpdate(TKolZip& zip, const kv::test::TestDir& dir, const UpdateKind& kind, const std::string& before) {
  zip.SetFileName(kv::test::PathText(ArchiveOf(dir, kind)));
  zip.OpenArchive();
  zip.SetBaseDir(kv::test::PathText(dir / "src"));
  zip.BeginUpdate();
  if (kind.comment) zip.SetComment("a new comment, longer than the old one");
  zip.AddFiles(UpdatedName(before, kind), kDefaultSearchAttr, u"");
  zip.EndUpdate();
  zip.CloseArchive();
}

inline std::filesystem::path UpdateFileOf(const kv::test::TestDir& dir, const UpdateKind& kind) {
  std::filesystem::path p = ArchiveOf(dir, kind);
  p += ".kv-update.tmp";
  return p;
}

}  // namespace kv::archive::test
