#include "installer/package_check.h"

#include <algorithm>
#include <exception>

#include "archive/dir_manager.h"
#include "archive/discard_stream.h"
#include "inspection/authenticode.h"
#include "package/errors.h"
#include "platform/unicode.h"

namespace kv::installer {
namespace {

void TestMembers(package::RecordingKolZip& archiver, std::vector<std::u16string>& damage) {
  const archive::TKZDirArray& dir = archiver.DMHandle()->CDir;
  for (std::int32_t i = 0; i < dir.Count(); ++i) {
    if (dir[i].IsFolder() || (!dir[i].Name.empty() && dir[i].Name.back() == u'/')) continue;
    archive::DiscardStream sink;
    try {
      archiver.ExtractItemToStream(i, sink);
    } catch (const std::exception& error) {
      damage.push_back(dir[i].Name + u": " + package::ErrorMessage(error));
    }
  }
}

std::u16string Wide(const std::string& ascii) { return platform::Utf8ToUtf16(ascii); }

// `stub_size`: the installer program's bytes in front of the archive. A table inside them is the
// program's own signature, made before the package was built: it vouches for no member, and the
// package is treated as unsigned.
void CheckSignature(const std::u16string& path, std::int64_t stub_size, std::vector<std::u16string>& damage) {
  inspection::SignatureCheck check;
  try {
    check = inspection::CheckSignedDigest(*inspection::OpenFileSource(path));
  } catch (const std::exception& error) {
    damage.push_back(u"The signature cannot be checked: " + package::ErrorMessage(error));
    return;
  }
  if (check.table_offset + check.table_size <= static_cast<std::uint64_t>(std::max<std::int64_t>(stub_size, 0))) return;
  using inspection::SignatureState;
  if (check.state == SignatureState::damaged)
    damage.push_back(u"The file names a signature that cannot be read (a damaged certificate table).");
  if (check.state == SignatureState::does_not_match)
    damage.push_back(u"The file was changed after it was signed: its " + Wide(check.algorithm) + u" digest is " +
                     Wide(check.file_digest) + u", the signature names " + Wide(check.signed_digest) + u".");
}

}  // namespace

std::vector<std::u16string> FindPackageDamage(package::RecordingKolZip& archiver, const std::u16string& path) {
  std::vector<std::u16string> damage;
  CheckSignature(path, archiver.DMHandle()->StubSize, damage);
  TestMembers(archiver, damage);
  return damage;
}

std::u16string DamageReport(const std::vector<std::u16string>& lines) {
  std::u16string text = kDamagedPackageText;
  for (const auto& line : lines) text += u"\r\n" + line;
  return text;
}

}  // namespace kv::installer
