#pragma once
// Finds a 4-byte signature forward through a stream, reading it in windows and keeping the
// last window, so that a scan that goes on from each hit reads every byte about once
// however many hits there are. The stream position is restored after each read.
#include <cstddef>
#include <cstdint>
#include <string>

namespace kv::archive {

class TKZStream;

class SignatureScanner {
 public:
  SignatureScanner(TKZStream& stream, std::uint32_t signature, std::size_t window);
  // Position of the first signature lying wholly in the stream at or after `from`, or -1.
  std::int64_t Next(std::int64_t from);

 private:
  void Load(std::int64_t from);

  TKZStream& stream_;
  char sig_[4];
  std::size_t window_;
  std::string buffer_;
  std::int64_t buffer_start_ = -1;
};

}  // namespace kv::archive
