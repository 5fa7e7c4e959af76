#pragma once
// Whether a signed program file still holds what was signed: the image digest the signature
// names (in the SpcIndirectDataContent of the first PKCS#7 SignedData of the certificate
// table) against the digest of the file's bytes, computed as Authenticode does (every byte
// except the checksum field, the certificate directory entry and the certificate table).
// Offline and bounded: neither the signer's certificate chain nor the RSA/ECDSA signature over
// the digest is checked (that needs trusted roots and, for revocation, the network), so this
// finds a file changed after signing, not a forged signature. Bytes after the table count in
// the file's digest, as they do for Windows.
#include <cstdint>
#include <string>

#include "inspection/pe_image.h"

namespace kv::inspection {

enum class SignatureState {
  unsigned_file,    // no PE file, or no certificate table
  matches,          // the signed digest equals the file's digest
  does_not_match,   // the file changed after it was signed
  damaged,          // a certificate table is named but cannot be read as a signature
  cannot_check,     // a digest algorithm or encoding this check does not know (not reported)
};

struct SignatureCheck {
  SignatureState state = SignatureState::unsigned_file;
  std::string algorithm;    // "SHA-1", "SHA-256" when known
  std::string signed_digest;  // hex, as the signature names it
  std::string file_digest;    // hex, of the file as it is
  // The certificate table the check read (file offset and size); both 0 for an unsigned file.
  std::uint64_t table_offset = 0;
  std::uint64_t table_size = 0;
};

SignatureCheck CheckSignedDigest(const ByteSource& source);

// The Authenticode image digest of `source` with the named algorithm ("SHA-1" or "SHA-256"),
// raw bytes; empty when the file is no PE image or the algorithm is unknown.
std::string ImageDigest(const ByteSource& source, const std::string& algorithm);

}  // namespace kv::inspection
