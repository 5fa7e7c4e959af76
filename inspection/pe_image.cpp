#include "inspection/pe_image.h"

#include <algorithm>

#include "inspection/image_reader.h"
#include "inspection/pe_directories.h"
#include "inspection/pe_headers.h"

namespace kv::inspection {
namespace {

// Collects the texts of the damaged tables in the order they were read.
class Problems {
 public:
  void AddUnless(bool ok, const char16_t* text) {
    if (ok) return;
    if (!text_.empty()) text_ += pe_problems::kSeparator;
    text_ += text;
  }
  std::u16string Take() { return std::move(text_); }

 private:
  std::u16string text_;
};

// The certificate table is addressed by file offset and is never mapped: it only has to lie
// inside the file.
bool ReadCertificate(const DataDirectory& directory, std::uint64_t file_size, PeImage& image) {
  if (directory.rva == 0 && directory.size == 0) return true;
  if (directory.rva == 0 || directory.rva > file_size || directory.size > file_size - directory.rva)
    return false;
  image.certificate_offset = directory.rva;
  image.certificate_size = directory.size;
  return true;
}

}  // namespace

bool PeImage::Exports(std::string_view name) const {
  return std::any_of(exports.begin(), exports.end(), [&](const PeExport& e) { return e.name == name; });
}

std::string MemorySource::Read(std::uint64_t offset, std::size_t count) const {
  if (offset >= bytes_.size()) return {};
  return std::string(bytes_.substr(static_cast<std::size_t>(offset), count));
}

PeReadResult ReadPeImage(const ByteSource& source) {
  auto read = ReadPeHeaders(source);
  if (auto* problem = std::get_if<std::u16string>(&read)) return {std::nullopt, std::move(*problem)};
  PeHeaders& headers = std::get<PeHeaders>(read);
  const auto& dirs = headers.directories;

  PeImage image;
  image.machine_code = headers.machine_code;
  image.machine = MachineFromCode(headers.machine_code);
  image.is_dll = (headers.characteristics & 0x2000) != 0;  // IMAGE_FILE_DLL
  image.is_dotnet = dirs[kClrDirectory].present();

  const SectionMap map(headers.size_of_headers, std::move(headers.sections), source.Size());
  ImageReader reader(source, map);
  Problems problems;
  problems.AddUnless(ReadExports(reader, dirs[kExportDirectory], image.exports),
                     pe_problems::kDamagedExports);
  problems.AddUnless(ReadImports(reader, dirs[kImportDirectory], image.imports),
                     pe_problems::kDamagedImports);
  problems.AddUnless(
      ReadDelayImports(reader, dirs[kDelayImportDirectory], headers.image_base, image.delay_imports),
      pe_problems::kDamagedDelayImports);
  problems.AddUnless(ReadCertificate(dirs[kCertificateDirectory], source.Size(), image),
                     pe_problems::kDamagedCertificate);
  return {std::move(image), problems.Take()};
}

}  // namespace kv::inspection
