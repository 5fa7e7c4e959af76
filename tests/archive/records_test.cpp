#include "archive/records.h"

#include <gtest/gtest.h>

#include <string>

#include "archive/dir_item.h"
#include "archive/extra_fields.h"

namespace kv::archive {
namespace {

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

TEST(Records, SizesAndSignatureBytesAreThoseOfTheZipFormat) {
  EXPECT_EQ(TKZLocalFileHeader{}.ToBytes().size(), 30u);
  EXPECT_EQ(TKZZipCentralDir{}.ToBytes().size(), 46u);
  EXPECT_EQ(TKZZipCentralDirEnd{}.ToBytes().size(), 22u);
  EXPECT_EQ(TKZZip64CentralDirEnd{}.ToBytes().size(), 56u);
  EXPECT_EQ(TKZZip64CentralDirEndLocator{}.ToBytes().size(), 20u);
  EXPECT_EQ(TKZDataDescriptor{}.ToBytes().size(), 16u);
  EXPECT_EQ(TKZLocalFileHeader{}.ToBytes().substr(0, 4), "PK\x03\x04");
  EXPECT_EQ(TKZZipCentralDir{}.ToBytes().substr(0, 4), "PK\x01\x02");
  EXPECT_EQ(TKZZipCentralDirEnd{}.ToBytes().substr(0, 4), "PK\x05\x06");
  EXPECT_EQ(TKZZip64CentralDirEnd{}.ToBytes().substr(0, 4), "PK\x06\x06");
  EXPECT_EQ(TKZZip64CentralDirEndLocator{}.ToBytes().substr(0, 4), "PK\x06\x07");
  EXPECT_EQ(TKZDataDescriptor{}.ToBytes().substr(0, 4), "PK\x07\x08");
}

TEST(Records, CentralHeaderFieldsLandAtTheirOffsetsLittleEndian) {
  TKZZipCentralDir cd;
  cd.versionMadeBy = 0x0B14;
  cd.extractVersion = 20;
  cd.genPurposeFlag = 0x0800;
  cd.compMethod = 8;
  cd.lastModTime = 0x1234;
  cd.lastModDate = 0x5678;
  cd.crc32 = 0xCBF43926;
  cd.compSize = 0x01020304;
  cd.unCompSize = 0x0A0B0C0D;
  cd.nameLength = 5;
  cd.extraLength = 6;
  cd.commentLength = 7;
  cd.diskNumberStart = 0xFFFF;
  cd.internalAttr = 0;
  cd.externalAttr = 0x20;
  cd.relOffsetLH = 0xFFFFFFFF;
  EXPECT_EQ(Hex(cd.ToBytes()),
            "504B0102" "140B" "1400" "0008" "0800" "3412" "7856" "2639F4CB" "04030201" "0D0C0B0A" "0500" "0600"
            "0700" "FFFF" "0000" "20000000" "FFFFFFFF");
  EXPECT_EQ(TKZZipCentralDir::Parse(cd.ToBytes()), cd);
}

TEST(Records, EndRecordsRoundTripAndShortInputIsRefused) {
  TKZZipCentralDirEnd end;
  end.entriesOnDisk = end.entriesCentralDir = 3;
  end.centralDirSize = 150;
  end.offsetStartDir = 1000;
  end.commentLength = 4;
  EXPECT_EQ(Hex(end.ToBytes()), "504B0506" "0000" "0000" "0300" "0300" "96000000" "E8030000" "0400");
  EXPECT_EQ(TKZZipCentralDirEnd::Parse(end.ToBytes()), end);
  EXPECT_FALSE(TKZZipCentralDirEnd::Parse(end.ToBytes().substr(0, 21)));
  TKZZip64CentralDirEnd z64;
  z64.entriesOnDisk = z64.entriesCentralDir = 70000;
  z64.centralDirSize = 0x123456789;
  z64.offsetStartDir = 0x100000000;
  EXPECT_EQ(TKZZip64CentralDirEnd::Parse(z64.ToBytes()), z64);
  EXPECT_EQ(z64.ToBytes().substr(4, 8), std::string("\x2C\0\0\0\0\0\0\0", 8));  // record size 44
  TKZZip64CentralDirEndLocator loc;
  loc.offsetStartDirEnd = 0x0102030405;
  EXPECT_EQ(TKZZip64CentralDirEndLocator::Parse(loc.ToBytes()), loc);
  EXPECT_FALSE(TKZZip64CentralDirEndLocator::Parse(loc.ToBytes().substr(0, 19)));
}

struct DosCase {
  TKZDosDateTime time;
  std::uint16_t dos_date;
  std::uint16_t dos_time;
};

constexpr DosCase kDosCases[] = {
    {{1980, 1, 1, 0, 0, 0}, 0x0021, 0x0000},
    {{2025, 1, 1, 12, 0, 0}, 0x5A21, 0x6000},
    {{2107, 12, 31, 23, 59, 58}, 0xFF9F, 0xBF7D},
    {{2000, 2, 29, 13, 14, 16}, 0x285D, 0x69C8},
};

TEST(Records, DosDateAndTimeFollowTheMsDosBitLayout) {
  for (const DosCase& c : kDosCases) {
    EXPECT_EQ(DosDate(c.time), c.dos_date) << c.time.year;
    EXPECT_EQ(DosTime(c.time), c.dos_time) << c.time.year;
    EXPECT_EQ(FromDos(c.dos_date, c.dos_time), c.time) << c.time.year;
  }
  EXPECT_EQ(FromDos(0x0021, 0x0001).second, 2);  // two-second resolution
}

std::string Block(std::uint16_t id, const std::string& data) {
  std::string out;
  out += static_cast<char>(id & 0xFF);
  out += static_cast<char>(id >> 8);
  out += static_cast<char>(data.size() & 0xFF);
  out += static_cast<char>(data.size() >> 8);
  return out + data;
}

std::string Le(std::uint64_t v, int width) {
  std::string out;
  for (int i = 0; i < width; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
  return out;
}

std::string UnicodeBlockData(const std::u16string& name, std::int32_t count) {
  std::string out = "NUCX" + Le(static_cast<std::uint32_t>(count), 4);
  for (char16_t c : name) out += Le(c, 2);
  return out;
}

TEST(ExtraFields, Zip64BlockSuppliesOnlyTheValuesMarkedAndWhollyPresent) {
  TDirItem item;
  item.CentralDir.unCompSize = kZip64Marker32;
  item.CentralDir.compSize = 100;
  item.CentralDir.relOffsetLH = kZip64Marker32;
  ParseExtraFields(Block(kZip64ExtraId, Le(0x100000000, 8) + Le(0x200000000, 8)), item);
  EXPECT_TRUE(item.bHugeFile);
  EXPECT_EQ(item.Zip64ExtInfo.uncompSize, 0x100000000u);
  EXPECT_EQ(item.Zip64ExtInfo.relOffsetLH, 0x200000000u);  // compSize was not marked
  EXPECT_EQ(item.CompressedSize(), 100u);
  EXPECT_EQ(item.LocalHeaderOffset(), 0x200000000u);

  TDirItem shorter;
  shorter.CentralDir.unCompSize = kZip64Marker32;
  shorter.CentralDir.compSize = kZip64Marker32;
  ParseExtraFields(Block(kZip64ExtraId, Le(7, 8) + Le(9, 4)), shorter);
  EXPECT_EQ(shorter.Zip64ExtInfo.uncompSize, 7u);
  EXPECT_EQ(shorter.Zip64ExtInfo.compSize, 0u);  // missing value stays 0
}

struct UnicodeCase {
  const char* label;
  std::string data;
  bool valid;
};

TEST(ExtraFields, UnicodeNameBlockIsHonouredOnlyWhenWellFormed) {
  const std::u16string name = u"\u65E5\u672C.txt";
  const UnicodeCase cases[] = {
      {"valid", UnicodeBlockData(name, 6), true},
      {"wrong signature", "NUCY" + UnicodeBlockData(name, 6).substr(4), false},
      {"count past the block", UnicodeBlockData(name, 7), false},
      {"negative count", UnicodeBlockData(u"", -1), false},
      {"shorter than its header", "NUCX\x01", false},
  };
  for (const UnicodeCase& c : cases) {
    TDirItem item;
    const auto found = ParseExtraFields(Block(kUnicodeNameExtraId, c.data), item);
    EXPECT_EQ(found.has_value(), c.valid) << c.label;
    if (c.valid) {
      EXPECT_EQ(*found, name);
    }
    ASSERT_EQ(item.ExtraFields.size(), 1u) << c.label;  // kept whether or not it is valid
  }
  TUnicodeExtendedInfo info;
  info.SetName(name);
  EXPECT_EQ(info.ToBytes(), UnicodeBlockData(name, 6));
}

TEST(ExtraFields, ForeignBlocksSurviveByteForByteAndTruncatedBlocksAreShortened) {
  const std::string timestamp = Block(0x5455, std::string("\x03\x10\x20\x30\x40\x50\x60\x70\x80", 9));
  const std::string unix_ids = Block(0x7875, std::string("\x01\x04\xE8\x03\x00\x00\x04\xE8\x03\x00\x00", 11));
  TDirItem item;
  ParseExtraFields(timestamp + unix_ids, item);
  ASSERT_EQ(item.ExtraFields.size(), 2u);
  EXPECT_EQ(ComposeCentralExtra(item), timestamp + unix_ids);

  // The last block claims 16 bytes of which 3 remain; then 3 stray bytes after a full block.
  TDirItem cut;
  ParseExtraFields(timestamp + Block(0x7777, "abc").substr(0, 4).replace(2, 2, std::string("\x10\x00", 2)) + "abc",
                   cut);
  ASSERT_EQ(cut.ExtraFields.size(), 2u);
  EXPECT_EQ(cut.ExtraFields[1].dataSize, 3);
  EXPECT_EQ(cut.ExtraFields[1].pData, "abc");
  TDirItem stray;
  ParseExtraFields(timestamp + "xyz", stray);
  EXPECT_EQ(stray.ExtraFields.size(), 1u);
}

TEST(ExtraFields, CentralCompositionPutsAGeneratedZip64BlockFirst) {
  TDirItem item;
  item.CentralDir.unCompSize = kZip64Marker32;
  item.CentralDir.compSize = kZip64Marker32;
  item.CentralDir.relOffsetLH = 5;
  item.Zip64ExtInfo = {0x100000001, 0x100000002, 0, 0};
  item.ExtraFields.push_back({kZip64ExtraId, 8, std::string(8, 'x')});  // an old one is not kept
  item.ExtraFields.push_back({0x5455, 1, "t"});
  EXPECT_EQ(ComposeCentralExtra(item), Block(kZip64ExtraId, Le(0x100000001, 8) + Le(0x100000002, 8)) + Block(0x5455, "t"));
}

TEST(ExtraFields, AesBlockSetsAlgorithmAndMethodBelowTheVersionLimit) {
  const std::string aes = Block(kAesExtraId, std::string("\x02\x00" "AE" "\x03" "\x08\x00", 7));
  TDirItem item;
  item.CentralDir.extractVersion = 51;
  item.CentralDir.compMethod = 99;
  item.CompressionMethod = 99;
  ParseExtraFields(aes, item);
  EXPECT_EQ(item.KZEncryptionAlgorithm, caAES_256);
  EXPECT_EQ(item.CompressionMethod, 8);
  TDirItem newer;
  newer.CentralDir.extractVersion = kVersionAesLimit;
  newer.CompressionMethod = 99;
  ParseExtraFields(aes, newer);
  EXPECT_EQ(newer.KZEncryptionAlgorithm, caPkzipClassic);
  EXPECT_EQ(newer.CompressionMethod, 99);
}

}  // namespace
}  // namespace kv::archive
