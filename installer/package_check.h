#pragma once
// The check of a whole package before anything of it is written: every member is decompressed
// and its size and CRC-32 compared with the directory's (nothing is kept), and a signature in
// the file, when there is one, must still match the file's content. Either kind of damage
// stops the installation before the destination folder is created.
#include <string>
#include <vector>

#include "package/recording_archiver.h"

namespace kv::installer {

inline constexpr char16_t kDamagedPackageText[] =
    u"The package is damaged; nothing was installed. Download it again.";

// What is wrong with the package, one line per damage (the member and the engine's message, or
// the signature's digests); empty when it is whole. `archiver` must have the package open; its
// progress events fire as for an extraction. `path` is the package's file, read again for its
// signature.
std::vector<std::u16string> FindPackageDamage(package::RecordingKolZip& archiver, const std::u16string& path);

// kDamagedPackageText followed by the lines.
std::u16string DamageReport(const std::vector<std::u16string>& lines);

}  // namespace kv::installer
