// Entry names in headers. The code pages are the system's ANSI and OEM ones: Windows-1252
// and 437 in the POSIX stand-in and under Wine's English locale.
#include "archive/name_encoding.h"

#include <gtest/gtest.h>

#include <string>

#include "archive/records.h"

namespace kv::archive {
namespace {

struct WriteCase {
  const char* label;
  std::u16string name;
  bool oem_file_names;
  std::string bytes;
  bool utf8;
};

TEST(NameEncoding, WritesAnsiThenOemOrUtf8WhenTheCodePagesCannotHoldTheName) {
  const WriteCase cases[] = {
      {"ascii", u"lib/ComCtl.ocx", true, "lib/ComCtl.ocx", false},
      {"ansi name, oem on", u"caf\u00E9.dll", true, "caf\x82.dll", false},
      {"ansi name, oem off", u"caf\u00E9.dll", false, "caf\xE9.dll", false},
      {"outside ansi", u"\u65E5\u672C.dll", true, "\xE6\x97\xA5\xE6\x9C\xAC.dll", true},
      {"outside ansi, oem off", u"\u0416.txt", false, "\xD0\x96.txt", true},
      // The euro sign is in Windows-1252 but not in code page 437: kept through UTF-8.
      {"ansi but not oem", u"\u20AC.txt", true, "\xE2\x82\xAC.txt", true},
      {"ansi but not oem, oem off", u"\u20AC.txt", false, "\x80.txt", false},
  };
  for (const WriteCase& c : cases) {
    const TKZArchiveName encoded = NameToArchiveBytes(c.name, c.oem_file_names);
    EXPECT_EQ(encoded.bytes, c.bytes) << c.label;
    EXPECT_EQ(encoded.utf8, c.utf8) << c.label;
  }
}

TEST(NameEncoding, UnicodeNameOfMoreThan254Utf8BytesIsStoredWhole) {
  std::u16string name;
  for (int i = 0; i < 200; ++i) name += u'\u0416';  // 400 bytes in UTF-8
  name += u".dll";
  const TKZArchiveName encoded = NameToArchiveBytes(name, true);
  EXPECT_TRUE(encoded.utf8);
  EXPECT_EQ(encoded.bytes.size(), 404u);
  EXPECT_EQ(DecodeCentralName(encoded.bytes, kFlagUtf8Name, true), name);

  std::u16string exact;  // 127 two-byte characters: 254 bytes exactly
  for (int i = 0; i < 127; ++i) exact += u'\u0416';
  EXPECT_EQ(NameToArchiveBytes(exact, true).bytes.size(), 254u);
}

TEST(NameEncoding, Utf8FlagFollowsTheEncoding) {
  EXPECT_EQ(WithUtf8Flag(0x0002, true), 0x0802);
  EXPECT_EQ(WithUtf8Flag(0x0803, false), 0x0003);
}

struct ReadCase {
  const char* label;
  std::string bytes;
  std::uint16_t flags;
  bool oem_step;
  std::u16string name;
};

TEST(NameEncoding, CentralNamesDecodeByFlagUtf8TestAndCodePage) {
  const ReadCase cases[] = {
      {"cp437 with oem step", "caf\x82.dll", 0, true, u"caf\u00E9.dll"},
      {"cp437 box drawing", "\xC9\xCD\xBB", 0, true, u"\u2554\u2550\u2557"},
      {"ansi without oem step", "caf\xE9.dll", 0, false, u"caf\u00E9.dll"},
      {"utf-8 with flag", "\xE6\x97\xA5.txt", kFlagUtf8Name, true, u"\u65E5.txt"},
      {"utf-8 without flag, oem step", "\xD0\x96.txt", 0, true, u"\u0416.txt"},
      {"utf-8 without flag, no oem step", "\xD0\x96.txt", 0, false, u"\u0416.txt"},
      {"flag on malformed utf-8 falls back to ansi", "\xE9t\xE9", kFlagUtf8Name, true, u"\u00E9t\u00E9"},
      {"plain ascii", "readme.txt", kFlagUtf8Name, true, u"readme.txt"},
  };
  for (const ReadCase& c : cases) EXPECT_EQ(DecodeCentralName(c.bytes, c.flags, c.oem_step), c.name) << c.label;
}

TEST(NameEncoding, RecoveredNamesAreNotGuessedAsUtf8WithoutTheFlag) {
  EXPECT_EQ(DecodeRecoveredName("\xD0\x96", 0, false), u"\u00D0\u2013");  // Windows-1252
  EXPECT_EQ(DecodeRecoveredName("\xD0\x96", 0, true), u"\u2568\u00FB");   // code page 437
  EXPECT_EQ(DecodeRecoveredName("\xD0\x96", kFlagUtf8Name, true), u"\u0416");
}

TEST(NameEncoding, OemStepNeedsOemNamesNoUtf8FlagAndAZipEndRecord) {
  EXPECT_TRUE(NeedsOemStep(true, 0, true));
  EXPECT_FALSE(NeedsOemStep(false, 0, true));
  EXPECT_FALSE(NeedsOemStep(true, kFlagUtf8Name, true));
  EXPECT_FALSE(NeedsOemStep(true, 0, false));
}

TEST(NameEncoding, EveryWrittenNameReadsBackTheSame) {
  const std::u16string names[] = {u"a.txt", u"Ordner/\u00C4rger.dll", u"\u00E9\u00E8\u00EA", u"\u20AC\u00E9",
                                  u"\u4E2D\u6587/\u6587\u4EF6.ocx", u"\u00FF\u00F1"};
  for (bool oem : {true, false}) {
    for (const std::u16string& name : names) {
      const TKZArchiveName encoded = NameToArchiveBytes(name, oem);
      const std::uint16_t flags = WithUtf8Flag(0, encoded.utf8);
      EXPECT_EQ(DecodeCentralName(encoded.bytes, flags, NeedsOemStep(oem, flags, true)), name) << oem;
    }
  }
}

}  // namespace
}  // namespace kv::archive
