#pragma once
// Archives for the extraction tests, built byte by byte: stored or deflated members (raw
// deflate through zlib), any method number, and sizes or CRCs that can be made to lie. Plus
// an archive object that records its events and answers its questions from a script.
#include <zlib.h>

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "archive/crc32.h"
#include "archive/kolzip.h"
#include "archive/records.h"
#include "package/message_box_prompter.h"
#include "platform/unicode.h"
#include "tests/support/test_dir.h"
#include "controls/controls.h"
#include "package/message_box_prompter.h"

namespace kv::archive::test {

struct Member {
  std::string name;
  std::string data;
  std::uint16_t method = kMethodDeflate;
  std::uint32_t attributes = kAttrArchive;
  std::uint16_t time = 0x6000;  // 12:00:00
  std::uint16_t date = 0x5A21;  // 2025-01-01
  std::int64_t stored_size = -1;  // uncompressed size written into the records (-1: the real one)
  std::int64_t stored_crc = -1;   // CRC written into the records (-1: the real one)
  std::uint16_t flags = 0;
};

inline std::string RawDeflate(const std::string& data) {
  z_stream zs{};
  deflateInit2(&zs, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&zs, static_cast<uLong>(data.size())) + 16, '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  zs.avail_in = static_cast<uInt>(data.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = static_cast<uInt>(out.size());
  deflate(&zs, Z_FINISH);
  out.resize(zs.total_out);
  deflateEnd(&zs);
  return out;
}

inline std::string MakeZip(const std::vector<Member>& members, const std::string& stub = {}) {
  std::string bytes = stub;
  std::string directory;
  for (const Member& m : members) {
    const auto offset = static_cast<std::uint32_t>(bytes.size());
    const std::string packed = m.method == kMethodDeflate ? RawDeflate(m.data) : m.data;
    const std::uint32_t crc = m.stored_crc >= 0 ? static_cast<std::uint32_t>(m.stored_crc) : Crc32(m.data);
    const auto size = static_cast<std::uint32_t>(m.stored_size >= 0 ? m.stored_size : std::int64_t(m.data.size()));
    TKZLocalFileHeader lh;
    lh.extractVersion = 20;
    lh.genPurposeFlag = m.flags;
    lh.compMethod = m.method;
    lh.lastModTime = m.time;
    lh.lastModDate = m.date;
    lh.crc32 = crc;
    lh.compSize = static_cast<std::uint32_t>(packed.size());
    lh.unCompSize = size;
    lh.nameLength = static_cast<std::uint16_t>(m.name.size());
    bytes += lh.ToBytes() + m.name + packed;
    TKZZipCentralDir cd;
    cd.versionMadeBy = cd.extractVersion = 20;
    cd.genPurposeFlag = m.flags;
    cd.compMethod = m.method;
    cd.lastModTime = m.time;
    cd.lastModDate = m.date;
    cd.crc32 = crc;
    cd.compSize = lh.compSize;
    cd.unCompSize = size;
    cd.nameLength = lh.nameLength;
    cd.externalAttr = m.attributes;
    cd.relOffsetLH = offset;
    directory += cd.ToBytes() + m.name;
  }
  TKZZipCentralDirEnd end;
  end.entriesOnDisk = end.entriesCentralDir = static_cast<std::uint16_t>(members.size());
  end.centralDirSize = static_cast<std::uint32_t>(directory.size());
  end.offsetStartDir = static_cast<std::uint32_t>(bytes.size());
  return bytes + directory + end.ToBytes();
}

inline std::string U8(std::u16string_view s) { return platform::Utf16ToUtf8(s); }

// Message boxes answered from a script; every question asked is kept.
class ScriptedBoxes : public ui::MessageBoxes {
 public:
  std::deque<ui::MessageAnswer> answers;
  std::vector<std::u16string> asked;
  std::vector<ui::MessageButtons> buttons;

  ui::MessageAnswer Show(const std::u16string& text, const std::u16string&, ui::MessageKind,
                         ui::MessageButtons shown) override {
    asked.push_back(text);
    buttons.push_back(shown);
    if (answers.empty()) return ui::MessageAnswer::Cancel;
    const auto answer = answers.front();
    answers.pop_front();
    return answer;
  }

  // What the engine asks goes to these boxes, as in the programs.
  package::MessageBoxPrompter prompter{*this};
};

// An archive written into a test folder and opened, with scripted prompts.
struct OpenedArchive {
  kv::test::TestDir& dir;
  TKolZip zip;
  ScriptedBoxes boxes;

  OpenedArchive(kv::test::TestDir& test_dir, const std::string& bytes, const std::string& file = "a.zip")
      : dir(test_dir) {
    dir.Write(file, bytes);
    zip.SetFileName(kv::test::PathText(dir / file));
    zip.Prompts = &boxes.prompter;
    zip.OpenArchive();
  }
  std::u16string Folder(const std::string& relative) const { return kv::test::PathText(dir / relative); }
};

}  // namespace kv::archive::test
