#include "archive/records.h"

#include "archive/byte_cursor.h"

namespace kv::archive {
namespace {

// Each record's fields in on-disk order, shared by reading and writing so the two can never
// disagree. `io` is either a ByteReader (fields are assigned) or a ByteWriter.
struct Reading {
  ByteReader& in;
  void operator()(std::uint16_t& v) { v = in.U16(); }
  void operator()(std::uint32_t& v) { v = in.U32(); }
  void operator()(std::uint64_t& v) { v = in.U64(); }
};
struct Writing {
  ByteWriter out;
  void operator()(std::uint16_t v) { out.U16(v); }
  void operator()(std::uint32_t v) { out.U32(v); }
  void operator()(std::uint64_t v) { out.U64(v); }
};


template <class F>
void Fields(TKZLocalFileHeader& r, F&& f) {
  f(r.signature), f(r.extractVersion), f(r.genPurposeFlag), f(r.compMethod), f(r.lastModTime);
  f(r.lastModDate), f(r.crc32), f(r.compSize), f(r.unCompSize), f(r.nameLength), f(r.extraLength);
}
template <class F>
void Fields(TKZDataDescriptor& r, F&& f) {
  f(r.signature), f(r.crc32), f(r.compSize), f(r.unCompSize);
}
template <class F>
void Fields(TKZZipCentralDir& r, F&& f) {
  f(r.signature), f(r.versionMadeBy), f(r.extractVersion), f(r.genPurposeFlag), f(r.compMethod);
  f(r.lastModTime), f(r.lastModDate), f(r.crc32), f(r.compSize), f(r.unCompSize), f(r.nameLength);
  f(r.extraLength), f(r.commentLength), f(r.diskNumberStart), f(r.internalAttr), f(r.externalAttr);
  f(r.relOffsetLH);
}
template <class F>
void Fields(TKZZipCentralDirEnd& r, F&& f) {
  f(r.signature), f(r.diskNumber), f(r.startDiskNumber), f(r.entriesOnDisk), f(r.entriesCentralDir);
  f(r.centralDirSize), f(r.offsetStartDir), f(r.commentLength);
}
template <class F>
void Fields(TKZZip64CentralDirEnd& r, F&& f) {
  f(r.signature), f(r.centralDirEndSize), f(r.versionMadeBy), f(r.versionNeededToExtract), f(r.diskNumber);
  f(r.startDiskNumber), f(r.entriesOnDisk), f(r.entriesCentralDir), f(r.centralDirSize), f(r.offsetStartDir);
}
template <class F>
void Fields(TKZZip64CentralDirEndLocator& r, F&& f) {
  f(r.signature), f(r.startDiskNumber), f(r.offsetStartDirEnd), f(r.totalNumberOfDisks);
}

template <class R>
std::string Encode(const R& record) {
  std::string out;
  out.reserve(R::kSize);
  R copy = record;
  Fields(copy, Writing{ByteWriter(out)});
  return out;
}

template <class R>
std::optional<R> Decode(std::string_view bytes) {
  if (bytes.size() < R::kSize) return std::nullopt;
  ByteReader in(bytes.substr(0, R::kSize));
  R record;
  Fields(record, Reading{in});
  return record;
}

}  // namespace

std::string TKZLocalFileHeader::ToBytes() const { return Encode(*this); }
std::optional<TKZLocalFileHeader> TKZLocalFileHeader::Parse(std::string_view b) { return Decode<TKZLocalFileHeader>(b); }
std::string TKZDataDescriptor::ToBytes() const { return Encode(*this); }
std::optional<TKZDataDescriptor> TKZDataDescriptor::Parse(std::string_view b) { return Decode<TKZDataDescriptor>(b); }
std::string TKZZipCentralDir::ToBytes() const { return Encode(*this); }
std::optional<TKZZipCentralDir> TKZZipCentralDir::Parse(std::string_view b) { return Decode<TKZZipCentralDir>(b); }
std::string TKZZipCentralDirEnd::ToBytes() const { return Encode(*this); }
std::optional<TKZZipCentralDirEnd> TKZZipCentralDirEnd::Parse(std::string_view b) {
  return Decode<TKZZipCentralDirEnd>(b);
}
std::string TKZZip64CentralDirEnd::ToBytes() const { return Encode(*this); }
std::optional<TKZZip64CentralDirEnd> TKZZip64CentralDirEnd::Parse(std::string_view b) {
  return Decode<TKZZip64CentralDirEnd>(b);
}
std::string TKZZip64CentralDirEndLocator::ToBytes() const { return Encode(*this); }
std::optional<TKZZip64CentralDirEndLocator> TKZZip64CentralDirEndLocator::Parse(std::string_view b) {
  return Decode<TKZZip64CentralDirEndLocator>(b);
}

std::uint16_t DosTime(const TKZDosDateTime& t) {
  return static_cast<std::uint16_t>((t.second / 2) | (t.minute << 5) | (t.hour << 11));
}

std::uint16_t DosDate(const TKZDosDateTime& t) {
  return static_cast<std::uint16_t>(t.day | (t.month << 5) | ((t.year - 1980) << 9));
}

TKZDosDateTime FromDos(std::uint16_t dos_date, std::uint16_t dos_time) {
  TKZDosDateTime t;
  t.second = (dos_time & 0x1F) * 2;
  t.minute = (dos_time >> 5) & 0x3F;
  t.hour = dos_time >> 11;
  t.day = dos_date & 0x1F;
  t.month = (dos_date >> 5) & 0x0F;
  t.year = 1980 + (dos_date >> 9);
  return t;
}

}  // namespace kv::archive
