#pragma once
// Support for the writing-side tests: reading back what the engine wrote without the engine
// (end records, central headers, local headers, member data), building source folders, and
// an archive object that records its events and answers failures from a script.
#include <zlib.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "archive/kolzip.h"
#include "archive/records.h"
#include "platform/unicode.h"
#include "tests/support/test_dir.h"

namespace kv::archive::test {

inline std::uint64_t Le(const std::string& b, std::size_t at, int width) {
  if (at + static_cast<std::size_t>(width) > b.size()) throw std::runtime_error("record runs past the end");
  std::uint64_t v = 0;
  for (int i = width - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
  return v;
}

struct WrittenEntry {
  std::string name;  // name bytes of the central header
  std::uint16_t version_made = 0, version_needed = 0, flags = 0, method = 0;
  std::uint32_t crc = 0, attributes = 0;
  std::uint64_t compressed = 0, uncompressed = 0, offset = 0;
  std::string extra, comment;
  // The local header at `offset`.
  std::uint16_t local_version = 0, local_flags = 0, local_method = 0;
  std::uint32_t local_crc = 0, local_compressed = 0, local_uncompressed = 0;
  std::string local_name;
  std::uint64_t data_offset = 0;  // first byte of the member data
  std::uint64_t end_offset = 0;   // one past its last byte
};

struct WrittenArchive {
  std::vector<WrittenEntry> entries;
  TKZZipCentralDirEnd end;
  std::uint64_t end_position = 0;
  std::uint64_t directory_offset = 0;
  std::uint64_t directory_size = 0;
  bool zip64 = false;
  TKZZip64CentralDirEnd zip64_end;
  TKZZip64CentralDirEndLocator locator;
  std::string comment;
};

// Reads an archive the way a plain reader does: the last end record, the Zip64 records when
// present, every central header and the local header it points at. Throws on a mismatch.
inline WrittenArchive ReadWritten(const std::string& b) {
  WrittenArchive w;
  const std::size_t e = b.rfind(std::string("PK\x05\x06", 4));
  if (e == std::string::npos) throw std::runtime_error("no end record");
  w.end_position = e;
  w.end = *TKZZipCentralDirEnd::Parse(std::string_view(b).substr(e));
  w.comment = b.substr(e + 22, w.end.commentLength);
  w.directory_offset = w.end.offsetStartDir;
  w.directory_size = w.end.centralDirSize;
  std::uint64_t count = w.end.entriesCentralDir;
  if (e >= 20 && b.compare(e - 20, 4, std::string("PK\x06\x07", 4)) == 0) {
    w.zip64 = true;
    w.locator = *TKZZip64CentralDirEndLocator::Parse(std::string_view(b).substr(e - 20));
    w.zip64_end = *TKZZip64CentralDirEnd::Parse(std::string_view(b).substr(w.locator.offsetStartDirEnd));
    if (w.zip64_end.signature != kZip64CentralDirEndSignature) throw std::runtime_error("bad Zip64 end record");
    w.directory_offset = w.zip64_end.offsetStartDir;
    w.directory_size = w.zip64_end.centralDirSize;
    count = w.zip64_end.entriesCentralDir;
  }
  std::size_t p = w.directory_offset;
  for (std::uint64_t i = 0; i < count; ++i) {
    if (Le(b, p, 4) != kCentralHeaderSignature) throw std::runtime_error("bad central header");
    WrittenEntry x;
    x.version_made = static_cast<std::uint16_t>(Le(b, p + 4, 2));
    x.version_needed = static_cast<std::uint16_t>(Le(b, p + 6, 2));
    x.flags = static_cast<std::uint16_t>(Le(b, p + 8, 2));
    x.method = static_cast<std::uint16_t>(Le(b, p + 10, 2));
    x.crc = static_cast<std::uint32_t>(Le(b, p + 16, 4));
    x.compressed = Le(b, p + 20, 4);
    x.uncompressed = Le(b, p + 24, 4);
    const auto n = static_cast<std::size_t>(Le(b, p + 28, 2));
    const auto m = static_cast<std::size_t>(Le(b, p + 30, 2));
    const auto k = static_cast<std::size_t>(Le(b, p + 32, 2));
    x.attributes = static_cast<std::uint32_t>(Le(b, p + 38, 4));
    x.offset = Le(b, p + 42, 4);
    x.name = b.substr(p + 46, n);
    x.extra = b.substr(p + 46 + n, m);
    x.comment = b.substr(p + 46 + n + m, k);
    const std::size_t h = x.offset;
    if (Le(b, h, 4) != kLocalHeaderSignature) throw std::runtime_error("no local header at the recorded offset");
    x.local_version = static_cast<std::uint16_t>(Le(b, h + 4, 2));
    x.local_flags = static_cast<std::uint16_t>(Le(b, h + 6, 2));
    x.local_method = static_cast<std::uint16_t>(Le(b, h + 8, 2));
    x.local_crc = static_cast<std::uint32_t>(Le(b, h + 14, 4));
    x.local_compressed = static_cast<std::uint32_t>(Le(b, h + 18, 4));
    x.local_uncompressed = static_cast<std::uint32_t>(Le(b, h + 22, 4));
    const auto ln = static_cast<std::size_t>(Le(b, h + 26, 2));
    const auto lm = static_cast<std::size_t>(Le(b, h + 28, 2));
    x.local_name = b.substr(h + 30, ln);
    x.data_offset = h + 30 + ln + lm;
    x.end_offset = x.data_offset + x.compressed;
    w.entries.push_back(std::move(x));
    p += 46 + n + m + k;
  }
  if (p != w.directory_offset + w.directory_size) throw std::runtime_error("directory size does not match");
  return w;
}

// The uncompressed bytes of a member (stored, or raw deflate).
inline std::string MemberBytes(const std::string& b, const WrittenEntry& x) {
  const std::string data = b.substr(static_cast<std::size_t>(x.data_offset), static_cast<std::size_t>(x.compressed));
  if (x.method == kMethodStored) return data;
  z_stream z{};
  inflateInit2(&z, -MAX_WBITS);
  std::string out(static_cast<std::size_t>(x.uncompressed), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  const int rc = inflate(&z, Z_FINISH);
  inflateEnd(&z);
  if (rc != Z_STREAM_END || z.avail_out != 0) throw std::runtime_error("member does not inflate to its size");
  return out;
}

// True when the members follow each other without a gap from `first` and the directory
// begins right behind the last one: no unreferenced bytes anywhere.
inline bool Contiguous(const WrittenArchive& w, std::uint64_t first) {
  std::uint64_t at = first;
  for (const auto& x : w.entries) {
    if (x.offset != at) return false;
    at = x.end_offset;
  }
  return at == w.directory_offset;
}

inline const WrittenEntry* Find(const WrittenArchive& w, const std::string& name) {
  for (const auto& x : w.entries)
    if (x.name == name) return &x;
  return nullptr;
}

// Text that deflates well, or random bytes that do not.
inline std::string Content(std::size_t size, unsigned seed = 1, bool random = false) {
  std::string s(size, '\0');
  std::uint32_t state = seed * 2654435761u + 1;
  for (std::size_t i = 0; i < size; ++i) {
    state = state * 1664525u + 1013904223u;
    s[i] = random ? static_cast<char>(state >> 24) : "kolvane mendkit archive \n"[(i + seed) % 25];
  }
  return s;
}

// An archive object whose events are written down; failures are answered from a script
// (Ignore when the script is empty) and cancels can be asked for at a chosen event.
struct RecordingZip : TKolZip {
  std::vector<std::string> events;
  std::deque<TKZAction> answers;
  std::vector<int> failures;  // native errors reported through the failure event
  std::function<void(TKZAction&)> on_failure;  // runs before the answer is taken
  std::function<bool(const std::string&)> cancel_at;  // true: cancel at this event

  RecordingZip() {
    OnOverallProgress = [this](TObject&, double p, TKZProcessOperation op, TKZProgressPhase phase, bool& cancel) {
      Note("overall " + Phase(phase) + " " + std::to_string(static_cast<int>(p)) + " op" + std::to_string(op), cancel);
    };
    OnFileProgress = [this](TObject&, const std::u16string& name, double p, TKZProcessOperation op,
                            TKZProgressPhase phase, bool& cancel) {
      Note("file " + Phase(phase) + " " + std::to_string(static_cast<int>(p)) + " op" + std::to_string(op) + " " +
               platform::Utf16ToUtf8(name),
           cancel);
    };
    OnProcessFileFailure = [this](TObject&, const std::u16string&, TKZProcessOperation, std::int32_t native,
                                  std::int32_t, const std::u16string&, TKZAction& action) {
      failures.push_back(native);
      events.push_back("failure " + std::to_string(native));
      if (on_failure) on_failure(action);
      if (!answers.empty()) {
        action = answers.front();
        answers.pop_front();
      }
    };
  }
  static std::string Phase(TKZProgressPhase p) { return p == ppStart ? "start" : p == ppProcess ? "process" : "end"; }
  void Note(const std::string& event, bool& cancel) {
    events.push_back(event);
    if (cancel_at && cancel_at(event)) cancel = true;
  }
};

// Files in the system's temporary folder or `folder` whose names begin with "FC".
inline std::vector<std::string> TailFiles(const std::filesystem::path& folder) {
  std::vector<std::string> found;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    const std::string name = e.path().filename().string();
    if (name.rfind("FC", 0) == 0) found.push_back(name);
  }
  return found;
}

}  // namespace kv::archive::test
