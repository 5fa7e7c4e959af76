#pragma once
// Finding where a member written with a data descriptor (flag bit 3) ends, when no central
// directory says so. Streaming writers leave the header's sizes 0 (or all ones with a Zip64
// block) and put the CRC and sizes behind the data, with or without the descriptor's
// signature, with 4- or 8-byte sizes.
//
// A deflated member is inflated from its data start to the end of its deflate stream; the
// descriptor is the one right there whose CRC and sizes agree with what was inflated. Any
// other member (stored, or deflated data that does not inflate) takes the first signed
// descriptor whose compressed size equals its distance from the data start. Nothing is
// written anywhere; the stream position is restored after each read.
#include <cstdint>
#include <map>
#include <optional>

#include "archive/signature_scanner.h"

namespace kv::archive {

class TKZStream;

struct FoundDescriptor {
  std::uint32_t crc32 = 0;
  std::uint64_t compressed = 0;
  std::uint64_t uncompressed = 0;
  std::int64_t end = 0;  // stream position right after the descriptor
};

// True when `position` is the end of the stream or holds the signature of a local header, a
// central header or an end record (32- or 64-bit): a record boundary a member may end at.
bool IsRecordBoundary(TKZStream& stream, std::int64_t position);

class DataDescriptorSearch {
 public:
  explicit DataDescriptorSearch(TKZStream& stream);

  // The descriptor of the member whose data starts at `data_at`, or nothing. Calls come with
  // rising `data_at` (the recovery scan goes forward), which keeps the signed-descriptor
  // search to one pass over the stream however many members ask; a call below an earlier one
  // may miss a signed descriptor lying before that earlier start.
  std::optional<FoundDescriptor> Find(std::int64_t data_at, std::uint16_t method);

 private:
  std::optional<FoundDescriptor> AfterDeflateStream(std::int64_t data_at);
  std::optional<FoundDescriptor> SignedAtDistance(std::int64_t data_at);
  void Remember(std::int64_t position);

  TKZStream& stream_;
  SignatureScanner scanner_;
  std::int64_t scanned_to_ = 0;  // every signed descriptor before this is remembered
  bool exhausted_ = false;       // ... and there is none after it
  // Signed descriptors by the data start they would close (position - compressed size), the
  // first of each; one map for 4-byte sizes, one for 8-byte sizes.
  std::map<std::int64_t, FoundDescriptor> narrow_;
  std::map<std::int64_t, FoundDescriptor> wide_;
};

}  // namespace kv::archive
