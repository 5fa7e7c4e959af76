#pragma once
// Readers of the directories that name other code: the export, import and delay-load import
// tables. Each fills what it could read and returns false when the table is damaged (points
// outside the file, holds absurd counts, or names without an end); an absent table is fine.
#include <cstdint>
#include <string>
#include <vector>

#include "inspection/image_reader.h"
#include "inspection/pe_headers.h"
#include "inspection/pe_image.h"

namespace kv::inspection {

// Named exports in the order of the name table; an export whose address lies inside the export
// directory's own range is forwarded, its address being that of the "OTHER.Function" text.
bool ReadExports(ImageReader& reader, const DataDirectory& directory, std::vector<PeExport>& exports);

// DLL names of the import descriptors, up to the all-zero descriptor that ends the list.
bool ReadImports(ImageReader& reader, const DataDirectory& directory, std::vector<std::string>& dlls);

// DLL names of the delay-load descriptors, up to the all-zero one. Descriptors without the
// RVA attribute come from old linkers and hold virtual addresses: `image_base` is subtracted.
bool ReadDelayImports(ImageReader& reader, const DataDirectory& directory, std::uint64_t image_base,
                      std::vector<std::string>& dlls);

}  // namespace kv::inspection
