#include "archive/dir_manager.h"

#include "archive/base_archiver.h"

namespace kv::archive {

TKZDirManager::TKZDirManager(TKZStream& stream, TKZBaseArchiver& arc, bool create)
    : FCompressedStream(&stream), FCreate(create), FIsCustomStream(&stream != arc.CompressedStream()), FArc(&arc) {
  ResetCentralDir();
  if (!create) return;
  arc.VolumeNumberInfo().MarkFirst();
  if (!arc.SFXStub().empty()) WriteSFXStub();
}

void TKZDirManager::ResetCentralDir() {
  ForgetMemberStarts();
  CDir.SetCount(0);
  CDir.Clear();
  CentralDirEnd = TKZZipCentralDirEnd{};
}

bool TKZDirManager::HasCentralDirEnd() {
  std::int64_t position = -1;
  const bool found = FindCentralDirEnd(CentralDirEnd, position, kCentralDirEndSignature);
  return found || FArc->OpenCorruptedArchives();
}

bool TKZDirManager::IsSFXArchive() const { return CDir.Count() > 0 && CDir[0].CentralDir.relOffsetLH != 0; }

bool TKZDirManager::IsEncrypted() const {
  return CDir.Count() > 0 && (CDir[0].CentralDir.genPurposeFlag & kFlagEncrypted) != 0;
}

}  // namespace kv::archive
