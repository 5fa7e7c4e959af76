// ReadPeImageFile: the PE reader over a file opened through the platform layer.
#include <algorithm>
#include <memory>
#include <string>

#include "inspection/pe_image.h"
#include "platform/errors.h"
#include "platform/file_stream.h"
#include "platform/unicode.h"

namespace kv::inspection {
namespace {

class FileSource final : public ByteSource {
 public:
  explicit FileSource(platform::File file) : file_(std::move(file)), size_(file_.Size()) {}
  std::uint64_t Size() const override { return size_ < 0 ? 0 : static_cast<std::uint64_t>(size_); }
  std::string Read(std::uint64_t offset, std::size_t count) const override {
    if (offset >= Size()) return {};
    std::string bytes(static_cast<std::size_t>(std::min<std::uint64_t>(count, Size() - offset)), '\0');
    if (file_.Seek(static_cast<std::int64_t>(offset)) != static_cast<std::int64_t>(offset)) return {};
    bytes.resize(file_.Read(bytes.data(), bytes.size()));
    return bytes;
  }

 private:
  mutable platform::File file_;  // reading moves its position, nothing else
  std::int64_t size_;
};

// The system's reason from a failed open: the platform's message is
// `Cannot open file "<path>". <reason>`.
std::u16string Reason(const platform::PlatformError& error) {
  const std::string message = error.what();
  const std::string marker = platform::Utf16ToUtf8(error.path()) + "\". ";
  const std::size_t at = message.find(marker);
  return platform::Utf8ToUtf16(at == std::string::npos ? message : message.substr(at + marker.size()));
}

}  // namespace

std::unique_ptr<ByteSource> OpenFileSource(const std::u16string& path) {
  return std::make_unique<FileSource>(platform::File::Open(path, platform::kOpenRead | platform::kShareDenyNone));
}

PeReadResult ReadPeImageFile(const std::u16string& path) {
  try {
    const FileSource source(platform::File::Open(path, platform::kOpenRead | platform::kShareDenyNone));
    return ReadPeImage(source);
  } catch (const platform::PlatformError& error) {
    return {std::nullopt, pe_problems::kCannotBeRead + Reason(error)};
  }
}

}  // namespace kv::inspection
