#pragma once
// The engine's byte streams: an abstract stream with an absolute position, a stream over a
// file (platform::File, with the engine's open and sharing modes) and a stream in memory.
// Read and Write move as many bytes as they can and return the count; errors of opening a
// file pass through as platform::PlatformError.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/file_stream.h"

namespace kv::archive {

class TKZStream {
 public:
  virtual ~TKZStream() = default;
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
  // Moves to an absolute position (at least 0) and returns it.
  virtual std::int64_t Seek(std::int64_t position) = 0;
  virtual std::int64_t Position() const = 0;
  virtual std::int64_t Size() const = 0;
  // Cuts or extends the stream; the position is kept, clamped to the new size.
  virtual void SetSize(std::int64_t size) = 0;

  // Reads up to `count` bytes from the current position into a string (shorter at the end).
  std::string ReadBytes(std::size_t count);
  // Reads up to `count` bytes at `position` and restores the previous position.
  std::string ReadAt(std::int64_t position, std::size_t count);
  // True when every byte was written.
  bool WriteBytes(std::string_view bytes) { return Write(bytes.data(), bytes.size()) == bytes.size(); }
  // Bytes from the current position to the end (0 when past it).
  std::int64_t Remaining() const;
};

class TKZMemoryStream : public TKZStream {
 public:
  TKZMemoryStream() = default;
  explicit TKZMemoryStream(std::string bytes) : bytes_(std::move(bytes)) {}

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t position) override;
  std::int64_t Position() const override { return position_; }
  std::int64_t Size() const override { return static_cast<std::int64_t>(bytes_.size()); }
  void SetSize(std::int64_t size) override;

  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
  std::int64_t position_ = 0;
};

class TKZFileStream : public TKZStream {
 public:
  // Opens `path` with the engine's mode word (platform/file_stream.h).
  TKZFileStream(const std::u16string& path, std::uint16_t mode);

  std::size_t Read(void* buffer, std::size_t count) override { return file_.Read(buffer, count); }
  std::size_t Write(const void* buffer, std::size_t count) override { return file_.Write(buffer, count); }
  std::int64_t Seek(std::int64_t position) override { return file_.Seek(position); }
  std::int64_t Position() const override { return file_.Position(); }
  std::int64_t Size() const override { return file_.Size(); }
  void SetSize(std::int64_t size) override { file_.SetSize(size); }
  bool Flush() { return file_.Flush(); }

  const std::u16string& FileName() const { return file_.path(); }
  std::uint16_t Mode() const { return mode_; }

 private:
  platform::File file_;
  std::uint16_t mode_;
};

}  // namespace kv::archive
