#include "archive/data_descriptor_search.h"

#include <zlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "archive/byte_cursor.h"
#include "archive/crc32.h"
#include "archive/records.h"
#include "archive/stream.h"

namespace kv::archive {
namespace {

constexpr std::size_t kInflateWindow = 65536;
constexpr std::size_t kLongestDescriptor = 24;  // signature, CRC, two 8-byte sizes

// The four shapes a descriptor takes: with or without its signature, 4- or 8-byte sizes.
struct DescriptorForm {
  bool signed_form;
  bool wide;
};
constexpr DescriptorForm kForms[] = {{true, false}, {true, true}, {false, false}, {false, true}};

std::optional<FoundDescriptor> ParseForm(std::string_view bytes, std::int64_t at, DescriptorForm form) {
  ByteReader in(bytes);
  if (form.signed_form && in.U32() != kDataDescriptorSignature) return std::nullopt;
  FoundDescriptor d;
  d.crc32 = in.U32();
  d.compressed = form.wide ? in.U64() : in.U32();
  d.uncompressed = form.wide ? in.U64() : in.U32();
  if (!in.ok()) return std::nullopt;
  d.end = at + static_cast<std::int64_t>(in.position());
  return d;
}

// Releases the inflate state on every way out.
class RawInflater {
 public:
  RawInflater() { ok_ = inflateInit2(&stream_, -MAX_WBITS) == Z_OK; }
  ~RawInflater() {
    if (ok_) inflateEnd(&stream_);
  }
  RawInflater(const RawInflater&) = delete;
  RawInflater& operator=(const RawInflater&) = delete;
  bool ok() const { return ok_; }
  z_stream& stream() { return stream_; }

 private:
  z_stream stream_{};
  bool ok_ = false;
};

}  // namespace

bool IsRecordBoundary(TKZStream& stream, std::int64_t position) {
  if (position == stream.Size()) return true;
  const std::string bytes = stream.ReadAt(position, 4);
  ByteReader in(bytes);
  const std::uint32_t signature = in.U32();
  if (!in.ok()) return false;
  return signature == kLocalHeaderSignature || signature == kCentralHeaderSignature ||
         signature == kCentralDirEndSignature || signature == kZip64CentralDirEndSignature;
}

DataDescriptorSearch::DataDescriptorSearch(TKZStream& stream)
    : stream_(stream), scanner_(stream, kDataDescriptorSignature, kInflateWindow) {}

std::optional<FoundDescriptor> DataDescriptorSearch::Find(std::int64_t data_at, std::uint16_t method) {
  if (method == kMethodDeflate)
    if (auto found = AfterDeflateStream(data_at)) return found;
  return SignedAtDistance(data_at);
}

std::optional<FoundDescriptor> DataDescriptorSearch::AfterDeflateStream(std::int64_t data_at) {
  RawInflater inflater;
  if (!inflater.ok()) return std::nullopt;
  z_stream& zs = inflater.stream();
  std::vector<unsigned char> out(kInflateWindow);
  std::string input;
  std::uint32_t crc = kCrc32Initial;
  std::uint64_t produced = 0;
  std::int64_t read_to = data_at;
  for (int result = Z_OK; result != Z_STREAM_END;) {
    if (zs.avail_in == 0) {
      input = stream_.ReadAt(read_to, kInflateWindow);
      if (input.empty()) return std::nullopt;  // the stream ends inside the deflate data
      read_to += static_cast<std::int64_t>(input.size());
      zs.next_in = reinterpret_cast<Bytef*>(input.data());
      zs.avail_in = static_cast<uInt>(input.size());
    }
    zs.next_out = out.data();
    zs.avail_out = static_cast<uInt>(out.size());
    result = inflate(&zs, Z_NO_FLUSH);
    if (result != Z_OK && result != Z_STREAM_END) return std::nullopt;  // not deflate data
    const std::size_t count = out.size() - zs.avail_out;
    crc = UpdateCrc32(crc, out.data(), count);
    produced += count;
  }
  const std::int64_t data_end = read_to - static_cast<std::int64_t>(zs.avail_in);
  const auto compressed = static_cast<std::uint64_t>(data_end - data_at);
  const std::string tail = stream_.ReadAt(data_end, kLongestDescriptor);
  // Of the shapes that agree with the inflated data, the one a record follows wins.
  std::optional<FoundDescriptor> agreeing;
  for (const DescriptorForm form : kForms) {
    const auto d = ParseForm(tail, data_end, form);
    if (!d || d->crc32 != ~crc || d->compressed != compressed || d->uncompressed != produced) continue;
    if (IsRecordBoundary(stream_, d->end)) return d;
    if (!agreeing) agreeing = d;
  }
  return agreeing;
}

void DataDescriptorSearch::Remember(std::int64_t position) {
  const std::string bytes = stream_.ReadAt(position, kLongestDescriptor);
  for (const DescriptorForm form : {kForms[0], kForms[1]}) {
    const auto d = ParseForm(bytes, position, form);
    // A compressed size reaching before the stream start closes no member.
    if (!d || d->compressed > static_cast<std::uint64_t>(position)) continue;
    auto& by_start = form.wide ? wide_ : narrow_;
    by_start.emplace(position - static_cast<std::int64_t>(d->compressed), *d);  // the first one stays
  }
}

std::optional<FoundDescriptor> DataDescriptorSearch::SignedAtDistance(std::int64_t data_at) {
  // Descriptors that close an earlier data start are of no more use.
  narrow_.erase(narrow_.begin(), narrow_.lower_bound(data_at));
  wide_.erase(wide_.begin(), wide_.lower_bound(data_at));
  // A descriptor in front of the data cannot close it.
  if (!exhausted_) scanned_to_ = std::max(scanned_to_, data_at);
  for (;;) {
    const auto narrow = narrow_.find(data_at);
    const auto wide = wide_.find(data_at);
    if (narrow != narrow_.end() && wide != wide_.end()) {
      // One descriptor read both ways: the shape a record follows wins.
      const bool wide_fits = !IsRecordBoundary(stream_, narrow->second.end) && IsRecordBoundary(stream_, wide->second.end);
      return wide_fits ? wide->second : narrow->second;
    }
    if (narrow != narrow_.end()) return narrow->second;
    if (wide != wide_.end()) return wide->second;
    if (exhausted_) return std::nullopt;  // the whole stream has been searched
    const std::int64_t hit = scanner_.Next(scanned_to_);
    if (hit < 0) {
      exhausted_ = true;
      return std::nullopt;
    }
    Remember(hit);
    scanned_to_ = hit + 1;
  }
}

}  // namespace kv::archive
