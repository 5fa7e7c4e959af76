#include "inspection/authenticode.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "inspection/digest.h"

namespace kv::inspection {
namespace {

// Where the bytes left out of the digest lie.
struct ImageLayout {
  std::uint64_t checksum_at = 0;   // the 4-byte CheckSum of the optional header
  std::uint64_t directory_at = 0;  // the 8-byte certificate directory entry
  std::uint64_t table_offset = 0;  // the certificate table (both 0 when unsigned)
  std::uint64_t table_size = 0;
};

std::uint32_t Little(std::string_view bytes, std::size_t at, std::size_t width) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < width; ++i) value |= std::uint32_t{static_cast<unsigned char>(bytes[at + i])} << (8 * i);
  return value;
}

// The layout of a PE file, or nothing when the bytes are no PE image.
std::optional<ImageLayout> LayoutOf(const ByteSource& source) {
  const std::uint64_t size = source.Size();
  const std::string dos = source.Read(0, 64);
  if (dos.size() < 64 || dos[0] != 'M' || dos[1] != 'Z') return std::nullopt;
  const std::uint64_t pe_at = Little(dos, 0x3C, 4);
  if (pe_at < 64 || pe_at > size) return std::nullopt;
  const std::string pe = source.Read(pe_at, 24 + 240);
  if (pe.size() < 24 + 2 || pe.compare(0, 4, std::string_view("PE\0\0", 4)) != 0) return std::nullopt;
  const std::size_t optional_size = Little(pe, 20, 2);
  const bool plus = Little(pe, 24, 2) == 0x20B;
  if (!plus && Little(pe, 24, 2) != 0x10B) return std::nullopt;
  const std::size_t count_at = plus ? 108 : 92;          // NumberOfRvaAndSizes
  const std::size_t entry_at = (plus ? 112 : 96) + 4 * 8;  // the certificate directory entry
  // The entry must exist and lie inside the optional header the file declares.
  if (pe.size() < 24 + entry_at + 8 || optional_size < entry_at + 8) return std::nullopt;
  if (Little(pe, 24 + count_at, 4) <= 4) return std::nullopt;
  ImageLayout layout;
  layout.checksum_at = pe_at + 24 + 64;
  layout.directory_at = pe_at + 24 + entry_at;
  const std::uint64_t offset = Little(pe, 24 + entry_at, 4);
  const std::uint64_t length = Little(pe, 24 + entry_at + 4, 4);
  // A table that would reach past the end, or into the headers, counts as none.
  if (offset != 0 && length != 0 && offset >= layout.directory_at + 8 && offset <= size && length <= size - offset) {
    layout.table_offset = offset;
    layout.table_size = length;
  }
  return layout;
}

template <typename Hash>
std::string DigestOf(const ByteSource& source, const ImageLayout& layout) {
  constexpr std::size_t kBlock = 1 << 20;
  const std::uint64_t size = source.Size();
  const std::uint64_t table_end = layout.table_offset + layout.table_size;
  const std::uint64_t body_end = layout.table_size != 0 ? layout.table_offset : size;
  const std::pair<std::uint64_t, std::uint64_t> ranges[] = {{0, layout.checksum_at},
                                                            {layout.checksum_at + 4, layout.directory_at},
                                                            {layout.directory_at + 8, body_end},
                                                            {layout.table_size != 0 ? table_end : size, size}};
  Hash hash;
  for (const auto& [from, to] : ranges) {
    for (std::uint64_t at = from; at < to;) {
      const std::string bytes = source.Read(at, static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, to - at)));
      if (bytes.empty()) return {};
      hash.Update(bytes);
      at += bytes.size();
    }
  }
  return hash.Finish();
}

struct DigestAlgorithm {
  const char* name;
  std::string_view oid;  // the DER content of its OBJECT IDENTIFIER
  std::string (*digest)(const ByteSource&, const ImageLayout&);
};

constexpr DigestAlgorithm kAlgorithms[] = {
    {"SHA-1", std::string_view("\x2B\x0E\x03\x02\x1A", 5), DigestOf<Sha1>},
    {"SHA-256", std::string_view("\x60\x86\x48\x01\x65\x03\x04\x02\x01", 9), DigestOf<Sha256>},
};

constexpr std::string_view kSignedDataOid("\x2A\x86\x48\x86\xF7\x0D\x01\x07\x02", 9);
constexpr std::string_view kIndirectDataOid("\x2B\x06\x01\x04\x01\x82\x37\x02\x01\x04", 10);

enum : unsigned char {
  kInteger = 0x02,
  kOctetString = 0x04,
  kOid = 0x06,
  kSequence = 0x30,
  kSet = 0x31,
  kExplicit0 = 0xA0,
};

// A bounded DER reader: each element's length is checked against what remains before its
// content is taken. Indefinite lengths (BER) and lengths beyond 32 bits stop it.
class DerReader {
 public:
  explicit DerReader(std::string_view bytes) : bytes_(bytes) {}

  // The content of the next element when it carries `tag`; nothing (and the reader stopped)
  // otherwise.
  std::optional<std::string_view> Take(unsigned char tag) {
    if (!ok_ || bytes_.size() < 2 || static_cast<unsigned char>(bytes_[0]) != tag) return Stop();
    std::size_t length = static_cast<unsigned char>(bytes_[1]);
    std::size_t header = 2;
    if (length & 0x80) {
      const std::size_t digits = length & 0x7F;
      if (digits == 0 || digits > 4 || bytes_.size() < 2 + digits) return Stop();
      length = 0;
      for (std::size_t i = 0; i < digits; ++i) length = (length << 8) | static_cast<unsigned char>(bytes_[2 + i]);
      header += digits;
    }
    if (length > bytes_.size() - header) return Stop();  // the content must lie inside its parent
    const std::string_view content = bytes_.substr(header, length);
    bytes_.remove_prefix(header + length);
    return content;
  }

 private:
  std::optional<std::string_view> Stop() {
    ok_ = false;
    return std::nullopt;
  }
  std::string_view bytes_;
  bool ok_ = true;
};

struct SignedDigest {
  std::string_view algorithm_oid;
  std::string_view digest;
};

// ContentInfo(signedData) -> SignedData -> contentInfo(SpcIndirectDataContent) -> DigestInfo.
std::optional<SignedDigest> ReadSignedDigest(std::string_view der) {
  auto content_info = DerReader(der).Take(kSequence);
  if (!content_info) return std::nullopt;
  DerReader outer(*content_info);
  if (outer.Take(kOid) != kSignedDataOid) return std::nullopt;
  auto wrapped = outer.Take(kExplicit0);
  if (!wrapped) return std::nullopt;
  auto signed_data = DerReader(*wrapped).Take(kSequence);
  if (!signed_data) return std::nullopt;
  DerReader fields(*signed_data);
  if (!fields.Take(kInteger) || !fields.Take(kSet)) return std::nullopt;  // version, digestAlgorithms
  auto inner_info = fields.Take(kSequence);
  if (!inner_info) return std::nullopt;
  DerReader inner(*inner_info);
  if (inner.Take(kOid) != kIndirectDataOid) return std::nullopt;
  auto inner_wrapped = inner.Take(kExplicit0);
  if (!inner_wrapped) return std::nullopt;
  auto indirect = DerReader(*inner_wrapped).Take(kSequence);
  if (!indirect) return std::nullopt;
  DerReader indirect_fields(*indirect);
  if (!indirect_fields.Take(kSequence)) return std::nullopt;  // SpcAttributeTypeAndOptionalValue
  auto digest_info = indirect_fields.Take(kSequence);
  if (!digest_info) return std::nullopt;
  DerReader digest_fields(*digest_info);
  auto algorithm = digest_fields.Take(kSequence);
  auto digest = digest_fields.Take(kOctetString);
  if (!algorithm || !digest) return std::nullopt;
  auto oid = DerReader(*algorithm).Take(kOid);
  if (!oid) return std::nullopt;
  return SignedDigest{*oid, *digest};
}

constexpr std::uint16_t kPkcsSignedData = 0x0002;  // WIN_CERT_TYPE_PKCS_SIGNED_DATA
constexpr std::size_t kCertificateHeader = 8;       // dwLength, wRevision, wCertificateType
constexpr std::uint64_t kMaxTable = 16 << 20;       // larger tables are not read

}  // namespace

std::string ImageDigest(const ByteSource& source, const std::string& algorithm) {
  const auto layout = LayoutOf(source);
  if (!layout) return {};
  for (const DigestAlgorithm& a : kAlgorithms)
    if (algorithm == a.name) return a.digest(source, *layout);
  return {};
}

SignatureCheck CheckSignedDigest(const ByteSource& source) {
  SignatureCheck check;
  const auto layout = LayoutOf(source);
  if (!layout || layout->table_size == 0) return check;
  check.table_offset = layout->table_offset;
  check.table_size = layout->table_size;
  check.state = SignatureState::damaged;
  if (layout->table_size > kMaxTable) {
    check.state = SignatureState::cannot_check;
    return check;
  }
  const std::string table = source.Read(layout->table_offset, static_cast<std::size_t>(layout->table_size));
  if (table.size() != layout->table_size || table.size() < kCertificateHeader) return check;
  // The first entry is the signature Windows checks; later ones and nested signatures are not.
  const std::uint32_t length = Little(table, 0, 4);
  if (length < kCertificateHeader || length > table.size()) return check;
  if (Little(table, 6, 2) != kPkcsSignedData) {
    check.state = SignatureState::cannot_check;
    return check;
  }
  const auto signed_digest =
      ReadSignedDigest(std::string_view(table).substr(kCertificateHeader, length - kCertificateHeader));
  if (!signed_digest) return check;
  check.signed_digest = HexOf(signed_digest->digest);
  for (const DigestAlgorithm& a : kAlgorithms) {
    if (signed_digest->algorithm_oid != a.oid) continue;
    check.algorithm = a.name;
    const std::string actual = a.digest(source, *layout);
    check.file_digest = HexOf(actual);
    check.state = actual == signed_digest->digest ? SignatureState::matches : SignatureState::does_not_match;
    return check;
  }
  check.state = SignatureState::cannot_check;
  return check;
}

}  // namespace kv::inspection
