// The archive object: error messages, compression settings, open modes, the update bracket
// and closing.
#include <gtest/gtest.h>

#include <stdexcept>

#include "archive/dir_manager.h"
#include "platform/unicode.h"
#include "tests/archive/archive_test_support.h"
#include "tests/archive/zip_fixture.h"

namespace kv::archive::test {
namespace {

using kv::test::TestDir;

struct MessageCase {
  int native;
  std::vector<TKZErrorArg> args;
  bool named;
  std::u16string message;
  int error_code;
};

TEST(EngineError, MessagesCarryNameTextAndFiveDigitNumber) {
  const MessageCase cases[] = {
      {kNative::ArchiveNotOpen, {}, true, u"archiver: Archive is not open - Native error: 00013", 7},
      {kNative::ArchiveNotOpen, {}, false, u"Archive is not open - Native error: 00013", 7},
      {99, {}, true, u"archiver: Unknown error - Native error: 00099", 0},
      {kNative::SecondMultiVolumeUpdate, {}, false,
       u"Multiple transactions are not supported for multi-volume archives - Native error: 00062", 37},
      {kNative::ArchiveFileNotFound, {u"C:\\p\\x.zip"}, true,
       u"archiver: File \"C:\\p\\x.zip\" not found - Native error: 00012", 6},
      {kNative::InvalidCompressedSize, {std::int64_t{5}, std::int64_t{7}}, false,
       u"Invalid compressed size, rfs.size = 5, count = 7 - Native error: 00034", 17},
      {kNative::FileNameTooLong, {u"a.dll"}, false,
       u"File name is too long: \r\n\"a.dll\" - Native error: 00061", 36},
      {kNative::DamagedNoEndRecord, {}, false, u"Archive is damaged. Open failed - Native error: 00048", 27},
      {kNative::DamagedDirectory, {}, false, u"Archive is damaged. Open failed - Native error: 00057", 27},
      {kNative::NameTakenByOtherItem, {}, false,
       u"Hashed list of file names is invalid - Native error: 00059", 34},
      {kNative::EncryptedMember, {}, false,
       u"Invalid password. Cannot decompress encrypted file. - Native error: 00067", 40},
      {kNative::OverlappingMember, {u"b.txt"}, false,
       u"Member \"b.txt\" shares its bytes with another member of the archive. Extraction refused - Native error: "
       u"00068",
       41},
      {kNative::MaskedHeaders, {u"a.txt"}, false,
       u"Member \"a.txt\" has its headers masked by central directory encryption. Extraction refused - Native "
       u"error: 00070",
       43},
      {71, {}, false, u"Unknown error - Native error: 00071", 0},
      {123456, {}, false, u"Unknown error - Native error: 123456", 0},
  };
  TKolZip named;
  named.Name = u"archiver";
  for (const MessageCase& c : cases) {
    const EKZException e(c.native, c.args, c.named ? named.Name : std::u16string());
    EXPECT_EQ(e.Message(), c.message) << c.native;
    EXPECT_EQ(e.ErrorCode(), c.error_code) << c.native;
    EXPECT_EQ(e.NativeError(), c.native);
    EXPECT_EQ(platform::Utf8ToUtf16(e.what()), c.message);
  }
  TKolZip unnamed;
  EXPECT_EQ(EKZException(kNative::ArchiveNotOpen, unnamed.Name).Message(),
            u"Archive is not open - Native error: 00013");
}

TEST(EngineError, EveryCodeUpTo70HasATextAndTheTableHas44) {
  for (int code = 1; code <= 70; ++code) EXPECT_NE(ErrorCodeForNative(code), 0) << code;
  EXPECT_EQ(ErrorText(40), u"Invalid password. Cannot decompress encrypted file.");
  EXPECT_EQ(ErrorText(42), u"Member \"%s\" is named differently in its local header. Extraction refused");
  EXPECT_EQ(ErrorText(44), u"Unknown error");
}

TEST(Archiver, DefaultsOfTheWindowsArchiveObject) {
  TKolZip zip;
  EXPECT_EQ(zip.CompressionLevel(), clFastest);
  EXPECT_EQ(zip.CompressionMode(), 1);
  EXPECT_EQ(zip.CompressionMethod(), kMethodDeflate);
  EXPECT_EQ(zip.Zip64Mode(), zmDisabled);
  EXPECT_TRUE(zip.OpenCorruptedArchives());
  EXPECT_TRUE(zip.IsZipFormat());
  EXPECT_FALSE(zip.Active());
  EXPECT_EQ(zip.Options().SearchAttr(), 10431u);
  EXPECT_EQ(zip.Options().OverwriteMode(), omAlways);
  EXPECT_EQ(zip.Options().ShareMode(), smShareDenyNone);
  EXPECT_TRUE(zip.Options().OEMFileNames());
  EXPECT_EQ(zip.Comment(), "");
}

TEST(Archiver, CompressionModeAndLevelFollowEachOther) {
  TKolZip zip;
  zip.Name = u"archiver";
  EXPECT_EQ(NativeErrorOf([&] { zip.SetCompressionMode(10); }), kNative::InvalidCompressionMode);
  EXPECT_EQ(zip.CompressionMode(), 1);
  const std::pair<int, TKZCompressionLevel> modes[] = {{0, clNone}, {2, clFastest}, {5, clNormal}, {7, clMax}};
  for (auto [mode, level] : modes) {
    zip.SetCompressionMode(mode);
    EXPECT_EQ(zip.CompressionLevel(), level) << mode;
    EXPECT_EQ(zip.CompressionMethod(), mode == 0 ? kMethodStored : kMethodDeflate) << mode;
  }
  zip.SetCompressionLevel(clMax);
  EXPECT_EQ(zip.CompressionMode(), 9);
  zip.SetCompressionLevel(clNormal);
  EXPECT_EQ(zip.CompressionMode(), 6);
}

TEST(Archiver, OpenChecksRaiseTheirErrorsAndLeaveTheObjectClosed) {
  TestDir dir;
  TKolZip zip;
  zip.Name = u"archiver";
  EXPECT_EQ(NativeErrorOf([&] { zip.OpenArchive(); }), kNative::OpenWithoutFileName);
  zip.SetFileName(dir.text() + u"\\");
  EXPECT_EQ(NativeErrorOf([&] { zip.OpenArchive(kModeReadShared); }), kNative::OpenModeWithoutFileName);
  const std::u16string missing = dir.text() + u"\\missing.zip";
  zip.SetFileName(missing);
  try {
    zip.OpenArchive(kModeReadShared);
    FAIL() << "opened a missing file";
  } catch (const EKZException& e) {
    EXPECT_EQ(e.NativeError(), kNative::ArchiveFileNotFound);
    EXPECT_EQ(e.Message(), u"archiver: File \"" + missing + u"\" not found - Native error: 00012");
  }
  EXPECT_FALSE(zip.Exists());
  EXPECT_EQ(NativeErrorOf([&] { zip.Size(); }), 13);
  EXPECT_EQ(NativeErrorOf([&] { zip.FileCount(); }), 13);
  zip.SetFileName(kv::test::PathText(dir.Write("there.zip", BuildZip({}).bytes)));
  zip.SetInMemory(true);
  EXPECT_EQ(NativeErrorOf([&] { zip.OpenArchive(kModeReadShared); }), 28);
  EXPECT_FALSE(zip.Active());
}

TEST(Archiver, OpenWithoutModeUsesReadWriteUnlessSomeoneElseWrites) {
  TestDir dir;
  const std::u16string path = kv::test::PathText(dir.Write("a.zip", BuildZip({{"a", "a"}}).bytes));
  TKolZip zip;
  zip.SetFileName(path);
  int opened = 0;
  zip.AfterOpen = [&](TKZBaseArchiver& sender) {
    EXPECT_EQ(&sender, &zip);
    ++opened;
  };
  zip.SetActive(true);
  EXPECT_EQ(zip.FileOpenMode(), kModeReadWriteDenyWrite);
  EXPECT_EQ(opened, 1);
  EXPECT_TRUE(zip.Exists());
  // Others may read the open archive but not write it.
  EXPECT_NO_THROW(platform::File::Open(path, kModeReadShared));
  EXPECT_THROW(platform::File::Open(path, kModeReadWriteDenyWrite), platform::PlatformError);
  zip.SetActive(false);
  EXPECT_FALSE(zip.Active());

  // While another program writes the file, it is opened for reading only.
  platform::File writer = platform::File::Open(path, 0x42);
  zip.OpenArchive();
  EXPECT_EQ(zip.FileOpenMode(), kModeReadShared);
  EXPECT_EQ(zip.FileCount(), 1);
  EXPECT_EQ(NativeErrorOf([&] { zip.BeginUpdate(); }), 32);
  EXPECT_FALSE(zip.InUpdate());
}

TEST(Archiver, MissingFileIsCreatedAndClosesAsAValidEmptyArchive) {
  TestDir dir;
  TKolZip zip;
  zip.SetFileName(dir.text() + u"\\new.zip");
  zip.OpenArchive();
  EXPECT_EQ(zip.FileOpenMode(), kModeCreate);
  zip.CloseArchive();
  EXPECT_EQ(kv::test::ReadFile(dir / "new.zip"), TKZZipCentralDirEnd{}.ToBytes());
}

TEST(Archiver, CreatedArchiveWithAStubClosesAsStubFollowedByAnEndRecord) {
  TestDir dir;
  const std::string stub = FakeStub(4096);
  TKolZip zip;
  zip.SetSFXStub(kv::test::PathText(dir.Write("mendKit.exe", stub)));
  zip.SetFileName(dir.text() + u"\\package.exe");
  zip.OpenArchive(kModeCreate);
  EXPECT_EQ(zip.DMHandle()->StubSize, 4096);
  zip.CloseArchive();
  const std::string bytes = kv::test::ReadFile(dir / "package.exe");
  ASSERT_EQ(bytes.size(), 4096u + 22u);
  EXPECT_EQ(bytes.substr(0, 4096), stub);
  const auto end = TKZZipCentralDirEnd::Parse(bytes.substr(4096));
  ASSERT_TRUE(end);
  EXPECT_EQ(end->entriesCentralDir, 0);
  EXPECT_EQ(end->offsetStartDir, 4096u);
  // Reopened, the whole stub is found in front of the empty archive.
  TKolZip again;
  again.SetFileName(dir.text() + u"\\package.exe");
  again.OpenArchive(kModeReadShared);
  EXPECT_EQ(again.DMHandle()->StubSize, 4096);
}

TEST(Archiver, MissingStubFailsTheCreateWithoutTouchingAnExistingFile) {
  TestDir dir;
  const std::string old = BuildZip({{"keep.txt", "keep"}}).bytes;
  const auto path = dir.Write("package.exe", old);
  TKolZip zip;
  zip.SetSFXStub(dir.text() + u"\\no-such-stub.exe");
  zip.SetFileName(kv::test::PathText(path));
  EXPECT_THROW(zip.OpenArchive(kModeCreate), platform::PlatformError);
  EXPECT_FALSE(zip.Active());
  EXPECT_EQ(kv::test::ReadFile(path), old);
}

TEST(Archiver, UpdateBracketsNestAndCommitOnceAtTheOuterEnd) {
  TestDir dir;
  TKolZip zip;
  zip.SetFileName(kv::test::PathText(dir.Write("u.zip", BuildZip({{"a", "a"}}).bytes)));
  zip.EndUpdate();  // without BeginUpdate: nothing
  EXPECT_FALSE(zip.Active());
  zip.BeginUpdate();  // opens the archive
  EXPECT_TRUE(zip.Active());
  zip.BeginUpdate();
  EXPECT_EQ(zip.UpdateCount(), 2);
  EXPECT_EQ(NativeErrorOf([&] { zip.CheckNotInUpdate(); }), 26);
  zip.EndUpdate();
  EXPECT_TRUE(zip.InUpdate());
  EXPECT_FALSE(zip.Updated());
  zip.EndUpdate();
  EXPECT_FALSE(zip.InUpdate());
  EXPECT_TRUE(zip.Updated());
  zip.OpenArchive();
  EXPECT_FALSE(zip.Updated());  // every open starts afresh
}

TEST(Archiver, BeginUpdateKeepsTheDirectoryAndClearsModifiedMarks) {
  TestDir dir;
  TKolZip zip;
  zip.SetFileName(kv::test::PathText(dir.Write("u.zip", BuildZip({{"a", "a"}, {"b", "b"}}).bytes)));
  zip.OpenArchive();
  zip.DMHandle()->CDir[1].Modified = true;
  zip.BeginUpdate();
  EXPECT_FALSE(zip.DMHandle()->CDir[1].Modified);
  ASSERT_EQ(zip.DMHandle()->RBCDir.Count(), 2);
  EXPECT_EQ(zip.DMHandle()->RBCDir[1].Name, u"b");
  zip.CancelUpdate();
}

TEST(Archiver, CancelledUpdateLeavesNoEntryWithoutDataInTheDirectory) {
  TestDir dir;
  TKolZip zip;
  zip.SetFileName(dir.text() + u"\\cancel.zip");
  zip.OpenArchive(kModeCreate);
  zip.BeginUpdate();
  // An add that was interrupted after it had put its entry into the directory.
  TKZDirArray& cdir = zip.DMHandle()->CDir;
  cdir.SetCount(1);
  cdir.SetItemName(0, u"half-added.dll");
  cdir[0].Modified = true;
  zip.CancelUpdate();
  EXPECT_FALSE(zip.InUpdate());
  EXPECT_EQ(zip.DMHandle()->CDir.Count(), 0);
  std::int32_t at = -1;
  EXPECT_FALSE(zip.DMHandle()->CDir.FileExists(u"half-added.dll", at));
  zip.CloseArchive();
  EXPECT_EQ(kv::test::ReadFile(dir / "cancel.zip"), TKZZipCentralDirEnd{}.ToBytes());
  zip.CancelUpdate();  // outside a bracket: nothing
}

TEST(Archiver, SpanningModeCannotChangeWhileOpen) {
  TestDir dir;
  TKolZip zip;
  zip.SetFileName(kv::test::PathText(dir.Write("s.zip", BuildZip({}).bytes)));
  zip.OpenArchive();
  try {
    zip.SetSpanningMode(smSplitting);
    FAIL() << "changed the spanning mode of an open archive";
  } catch (const EKZException&) {
    FAIL() << "raised an engine error";
  } catch (const std::logic_error& e) {
    EXPECT_STREQ(e.what(), "Cannot set spanning mode on open archive");
  }
  zip.CloseArchive();
  zip.SetSpanningMode(smSplitting);
  EXPECT_EQ(zip.SpanningMode(), smSplitting);
}

TEST(Archiver, InMemoryArchiveCanBeWrittenToAFile) {
  TestDir dir;
  TKolZip zip;
  zip.SetInMemory(true);
  zip.OpenArchive();
  EXPECT_TRUE(zip.Active());
  EXPECT_EQ(NativeErrorOf([&] { zip.SetInMemory(false); }), 29);  // no file name yet
  zip.SetFileName(dir.text() + u"\\from-memory.zip");
  zip.CloseArchive();
  zip.OpenArchive();
  zip.SetInMemory(false);
  EXPECT_TRUE(zip.Active());
  EXPECT_FALSE(zip.InMemory());
  EXPECT_TRUE(zip.Exists());
}

TEST(Archiver, OptionsAssignCopiesEverythingButTheShareMode) {
  TKZOptions source;
  source.SetRecurse(false);
  source.SetOverwriteMode(omPrompt);
  source.SetShareMode(smShareExclusive);
  source.SetSearchAttr(16);
  TKZOptions target;
  target.Assign(source);
  EXPECT_FALSE(target.Recurse());
  EXPECT_EQ(target.OverwriteMode(), omPrompt);
  EXPECT_EQ(target.SearchAttr(), 16u);
  EXPECT_EQ(target.ShareMode(), smShareDenyNone);
  TKZSpanningOptions spanning;
  spanning.SetCustomVolumeSize(100);
  EXPECT_EQ(spanning.CustomVolumeSize(), 65536);
  spanning.SetVolumeSize(vs1_44MB);
  EXPECT_EQ(spanning.VolumeSizeOf(false), 1457664);
  spanning.SetFirstVolumeSize(1000);
  EXPECT_EQ(spanning.VolumeSizeOf(true), 1000);
}

}  // namespace
}  // namespace kv::archive::test
