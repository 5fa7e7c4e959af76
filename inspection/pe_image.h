#pragma once
// What a Windows library's file says about itself, read from its bytes: the library is never
// loaded, so nothing of it runs in our process.
//
// ReadPeImage reads the DOS header, the PE headers and section table, the export directory,
// the import and delay-load import directories and the CLR and certificate data directories,
// through bounded reads of the source. A file that is not a PE image, or whose headers are
// broken, gives `problem` (a short plain text, see pe_problems below) and no image; damage
// past the headers (an export or import table pointing outside the file, absurd counts, names
// without an end) gives the image with what could be read and `problem` saying what was not
// (the texts of several damaged tables joined by "; ").
// It never throws for any content and never reads more than the file holds; every count taken
// from the file is bounded before use, so hostile files cannot make it loop or allocate
// without bound.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/machine.h"

namespace kv::inspection {

using platform::Machine;

// The problem texts, exactly as PeReadResult::problem gives them.
namespace pe_problems {
inline constexpr char16_t kCannotBeRead[] = u"cannot be read: ";  // followed by the system's reason
inline constexpr char16_t kNotWindowsProgram[] = u"not a library (not a Windows program file)";
inline constexpr char16_t kBadPeHeader[] = u"not a library (damaged or missing PE header)";
inline constexpr char16_t kDamagedExports[] = u"damaged export table";
inline constexpr char16_t kDamagedImports[] = u"damaged import table";
inline constexpr char16_t kDamagedDelayImports[] = u"damaged delay-load import table";
inline constexpr char16_t kDamagedCertificate[] = u"damaged certificate table";
inline constexpr char16_t kSeparator[] = u"; ";  // between the texts of several damaged tables
}  // namespace pe_problems

// Random access to a file's bytes. Read gives fewer bytes than asked (possibly none) at the
// end of the source; it throws nothing.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t Size() const = 0;
  virtual std::string Read(std::uint64_t offset, std::size_t count) const = 0;
};

struct PeExport {
  std::string name;
  std::string forwarded_to;  // "OTHER.Function" for a forwarded export; empty otherwise
};

struct PeImage {
  Machine machine = Machine::other;
  std::uint16_t machine_code = 0;          // IMAGE_FILE_HEADER.Machine as written
  bool is_dll = false;                     // IMAGE_FILE_DLL in the characteristics
  bool is_dotnet = false;                  // a CLR header (data directory 14) is present
  std::vector<PeExport> exports;           // named exports, in the order of the name table
  std::vector<std::string> imports;        // DLL names of the import directory, in order, as written
  std::vector<std::string> delay_imports;  // DLL names of the delay-load directory
  // The certificate table (data directory 4; a file offset, not an RVA); both 0 when absent
  // or when the table would reach past the end of the file.
  std::uint64_t certificate_offset = 0;
  std::uint64_t certificate_size = 0;

  bool Exports(std::string_view name) const;  // exact, case-sensitive, forwarded ones too
};

struct PeReadResult {
  std::optional<PeImage> image;
  std::u16string problem;  // empty when everything read cleanly
};

PeReadResult ReadPeImage(const ByteSource& source);

// A source over bytes held in memory (the caller keeps them alive).
class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  std::string Read(std::uint64_t offset, std::size_t count) const override;

 private:
  std::string_view bytes_;
};

// Reads the file at `path` (Windows path, through platform/file_stream.h, shared for reading).
// A file that cannot be opened gives no image and the problem "cannot be read: <reason>".
PeReadResult ReadPeImageFile(const std::u16string& path);

// A source over the file at `path`, opened shared for reading; platform::PlatformError when it
// cannot be opened.
std::unique_ptr<ByteSource> OpenFileSource(const std::u16string& path);

}  // namespace kv::inspection
