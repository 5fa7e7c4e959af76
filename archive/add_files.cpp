// AddFiles: turns an add request into pending entries of the directory inside an update
// bracket; the bracket's end commits them.
#include "archive/base_archiver.h"
#include "archive/errors.h"
#include "archive/paths.h"

namespace kv::archive {

void TKZBaseArchiver::AddFiles(const std::u16string& file_mask, std::uint32_t search_attr,
                               const std::u16string& exclusion_mask) {
  CheckActive();
  if (!InUpdate() && FDMHandle->CDir.Count() > 0 && FSpanningMode != smNone)
    throw EKZException(kNative::SpannedArchiveNotModifiable, Name);
  const TStrings masks{file_mask};
  TStrings exclusions;
  if (!exclusion_mask.empty()) exclusions.push_back(exclusion_mask);
  // The archive never adds itself: its own file (and the open volume) are always excluded,
  // resolved now, before the enumeration moves the current folder to the base folder.
  const std::u16string own_file = ResolvePath(u"", FFileName, FCurrentDir);
  exclusions.push_back(own_file);
  if (!VolumeFileNameValue.empty()) {
    const std::u16string volume_file = ResolvePath(u"", VolumeFileNameValue, FCurrentDir);
    if (volume_file != own_file) exclusions.push_back(volume_file);
  }
  BeginUpdate();
  try {
    EnumerateFiles(masks, search_attr, exclusions, FOptions.Recurse(), poAdd);
    EndUpdate();
  } catch (...) {
    CancelUpdate();
    throw;
  }
}

void TKZBaseArchiver::AddFiles() {
  CheckActive();
  if (!InUpdate() && FDMHandle->CDir.Count() > 0 && FSpanningMode != smNone)
    throw EKZException(kNative::SpannedArchiveNotModifiable, Name);
  BeginUpdate();
  try {
    TStrings exclusions = FExclusionMasks;
    exclusions.push_back(ResolvePath(u"", FFileName, FCurrentDir));
    EnumerateFiles(FFileMasks, FOptions.SearchAttr(), exclusions, FOptions.Recurse(), poAdd);
    EndUpdate();
  } catch (...) {
    CancelUpdate();
    throw;
  }
}

}  // namespace kv::archive
