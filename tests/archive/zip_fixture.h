#pragma once
// Builds small ZIP archives byte by byte for the loading tests: stored members, optional
// stub in front (offsets counted from the file start or from the stub's end), archive
// comment, trailing bytes and Zip64 end records. Each test changes a few bytes of such an
// archive to show one fault.
#include <cstdint>
#include <string>
#include <vector>

#include "archive/crc32.h"
#include "archive/records.h"

namespace kv::archive::test {

struct FixtureEntry {
  FixtureEntry() = default;
  FixtureEntry(std::string name_bytes, std::string stored, std::uint16_t flag_bits = 0,
               std::uint32_t attrs = kAttrArchive, std::string extra_field = "", std::string entry_comment = "",
               std::uint16_t dos_time = 0x6000, std::uint16_t dos_date = 0x5A21)
      : name(std::move(name_bytes)), data(std::move(stored)), flags(flag_bits), attributes(attrs),
        extra(std::move(extra_field)), comment(std::move(entry_comment)), time(dos_time), date(dos_date) {}

  std::string name;  // name bytes as stored
  std::string data;  // stored uncompressed
  std::uint16_t flags = 0;
  std::uint32_t attributes = kAttrArchive;
  std::string extra;  // central and local extra field
  std::string comment;
  std::uint16_t time = 0x6000;  // 12:00:00
  std::uint16_t date = 0x5A21;  // 2025-01-01
};

struct FixtureOptions {
  std::string stub;
  bool offsets_from_stub_end = false;
  std::string archive_comment;
  std::string trailing;  // bytes after the comment
  bool zip64_end_records = false;
  std::uint16_t version = kVersionOemNames;
};

struct BuiltFixture {
  std::string bytes;
  std::int64_t directory_offset = 0;   // position of the first central header
  std::int64_t end_record_offset = 0;  // position of the end record
  std::vector<std::int64_t> local_offsets;
};

inline BuiltFixture BuildZip(const std::vector<FixtureEntry>& entries, const FixtureOptions& options = {}) {
  BuiltFixture out;
  std::string& b = out.bytes;
  b = options.stub;
  const std::int64_t shift = options.offsets_from_stub_end ? static_cast<std::int64_t>(options.stub.size()) : 0;
  std::string directory;
  for (const FixtureEntry& e : entries) {
    const auto at = static_cast<std::int64_t>(b.size());
    out.local_offsets.push_back(at);
    TKZLocalFileHeader lh;
    lh.extractVersion = options.version;
    lh.genPurposeFlag = e.flags;
    lh.compMethod = kMethodStored;
    lh.lastModTime = e.time;
    lh.lastModDate = e.date;
    lh.crc32 = Crc32(e.data);
    lh.compSize = lh.unCompSize = static_cast<std::uint32_t>(e.data.size());
    lh.nameLength = static_cast<std::uint16_t>(e.name.size());
    lh.extraLength = static_cast<std::uint16_t>(e.extra.size());
    b += lh.ToBytes() + e.name + e.extra + e.data;
    TKZZipCentralDir cd;
    cd.versionMadeBy = cd.extractVersion = options.version;
    cd.genPurposeFlag = e.flags;
    cd.compMethod = kMethodStored;
    cd.lastModTime = e.time;
    cd.lastModDate = e.date;
    cd.crc32 = lh.crc32;
    cd.compSize = cd.unCompSize = lh.compSize;
    cd.nameLength = lh.nameLength;
    cd.extraLength = lh.extraLength;
    cd.commentLength = static_cast<std::uint16_t>(e.comment.size());
    cd.externalAttr = e.attributes;
    cd.relOffsetLH = static_cast<std::uint32_t>(at - shift);
    directory += cd.ToBytes() + e.name + e.extra + e.comment;
  }
  out.directory_offset = static_cast<std::int64_t>(b.size());
  b += directory;
  if (options.zip64_end_records) {
    TKZZip64CentralDirEnd z;
    z.entriesOnDisk = z.entriesCentralDir = entries.size();
    z.centralDirSize = directory.size();
    z.offsetStartDir = static_cast<std::uint64_t>(out.directory_offset - shift);
    const auto z_at = static_cast<std::uint64_t>(b.size());
    b += z.ToBytes();
    TKZZip64CentralDirEndLocator loc;
    loc.offsetStartDirEnd = z_at;
    b += loc.ToBytes();
  }
  out.end_record_offset = static_cast<std::int64_t>(b.size());
  TKZZipCentralDirEnd end;
  const bool many = options.zip64_end_records || entries.size() >= 0xFFFF;
  end.entriesOnDisk = end.entriesCentralDir = many ? 0xFFFF : static_cast<std::uint16_t>(entries.size());
  end.centralDirSize = static_cast<std::uint32_t>(directory.size());
  end.offsetStartDir = static_cast<std::uint32_t>(out.directory_offset - shift);
  end.commentLength = static_cast<std::uint16_t>(options.archive_comment.size());
  b += end.ToBytes() + options.archive_comment + options.trailing;
  return out;
}

// Little-endian patching of a built archive.
inline void Put16(std::string& bytes, std::int64_t at, std::uint16_t v) {
  for (int i = 0; i < 2; ++i) bytes[static_cast<std::size_t>(at) + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
inline void Put32(std::string& bytes, std::int64_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(at) + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A stand-in for an executable stub: "MZ" and filler without any ZIP signature.
inline std::string FakeStub(std::size_t size) {
  std::string stub(size, '\x90');
  stub[0] = 'M';
  stub[1] = 'Z';
  return stub;
}

}  // namespace kv::archive::test
