// Finding entries of the loaded directory by mask, exclusion mask and attributes.
#include <algorithm>

#include "archive/base_archiver.h"
#include "archive/masks.h"
#include "archive/paths.h"

namespace kv::archive {
namespace {

constexpr std::uint32_t kHiddenSystemVolumeFolder = 0x1E;

bool HasWildcards(std::u16string_view mask) { return mask.find_first_of(u"*?") != std::u16string_view::npos; }

std::u16string PreparedMask(const TInternalSearchRec& handle) {
  const auto end = std::find(handle.CFindMask.begin(), handle.CFindMask.end(), u'\0');
  return std::u16string(handle.CFindMask.begin(), end);
}

// The name without one trailing separator (separators left as they are).
std::u16string_view WithoutTrailingSeparator(std::u16string_view name) {
  if (!name.empty() && (name.back() == u'/' || name.back() == u'\\')) name.remove_suffix(1);
  return name;
}

std::u16string BackslashName(std::u16string_view name) {
  std::u16string out(WithoutTrailingSeparator(name));
  std::replace(out.begin(), out.end(), u'/', u'\\');
  return out;
}

void Describe(const TDirItem& item, TKZArchiveItem& f) {
  const std::u16string name = BackslashName(item.Name);
  const std::size_t slash = name.rfind(u'\\');
  f.FileName = slash == std::u16string::npos ? name : name.substr(slash + 1);
  f.StoredPath = slash == std::u16string::npos ? std::u16string() : name.substr(0, slash + 1);
  f.CompressedSize = static_cast<std::int64_t>(item.CompressedSize());
  f.UncompressedSize = static_cast<std::int64_t>(item.UncompressedSize());
  f.CompressionRate = 100.0;
  if (f.UncompressedSize > 0) {
    const double rate = (1.0 - static_cast<double>(f.CompressedSize) / static_cast<double>(f.UncompressedSize)) * 100.0;
    f.CompressionRate = rate < 0.0 ? 0.0 : rate;
  }
  f.Encrypted = (item.CentralDir.genPurposeFlag & 1) != 0;
  f.LastModFileDate = item.CentralDir.lastModDate;
  f.LastModFileTime = item.CentralDir.lastModTime;
  f.CRC = static_cast<std::int32_t>(item.CentralDir.crc32);
  f.ExternalFileAttributes = item.CentralDir.externalAttr;
  f.Comment = item.Comment;
}

}  // namespace

bool TKZBaseArchiver::FindFirst(const std::u16string& file_mask, TKZArchiveItem& f, std::uint32_t search_attr,
                                const std::u16string& exclusion_mask) {
  std::u16string mask = file_mask;
  if (FOptions.StorePath() != spFullPathWithDrive) mask.erase(0, DrivePart(mask).size());
  std::replace(mask.begin(), mask.end(), u'\\', u'/');
  // A mask longer than the record holds finds nothing rather than a cut-off prefix.
  if (mask.size() >= TInternalSearchRec::kMaskCapacity) return false;
  f.Handle.CFindMask.fill(u'\0');
  std::copy(mask.begin(), mask.end(), f.Handle.CFindMask.begin());
  f.Handle.ExclusionMask = exclusion_mask;
  f.Handle.UseProperties = false;
  f.Handle.FWildCards = HasWildcards(mask);
  f.Handle.FFindAttr = search_attr;
  f.Handle.ItemNo = 0;
  return InternalFind(f);
}

bool TKZBaseArchiver::FindFirst(TKZArchiveItem& f) {
  f.Handle.UseProperties = true;
  f.Handle.FFindAttr = FOptions.SearchAttr();
  f.Handle.ItemNo = 0;
  return InternalFind(f);
}

bool TKZBaseArchiver::FindNext(TKZArchiveItem& f) {
  ++f.Handle.ItemNo;
  return InternalFind(f);
}

bool TKZBaseArchiver::InternalFind(TKZArchiveItem& f) {
  CheckActive();
  TKZDirArray& dir = FDMHandle->CDir;
  const bool recurse = FOptions.Recurse();
  std::int32_t found = -1;
  if (f.Handle.FWildCards || recurse) {
    const std::u16string mask_folder = LowerAscii(FolderPart(BackslashName(PreparedMask(f.Handle))));
    for (std::int32_t i = std::max(f.Handle.ItemNo, 0); i < dir.Count() && found < 0; ++i) {
      if (!recurse && LowerAscii(FolderPart(BackslashName(dir[i].Name))) != mask_folder) continue;
      if (ItemMatches(i, f) && AttrMatches(dir[i].CentralDir.externalAttr, f.Handle.FFindAttr)) found = i;
    }
  } else {
    std::int32_t index = -1;
    if (dir.FileExists(PreparedMask(f.Handle), index) && index >= f.Handle.ItemNo) found = index;
  }
  if (found < 0) return false;
  f.Handle.ItemNo = found;
  Describe(dir[found], f);
  return true;
}

bool TKZBaseArchiver::ItemMatches(std::int32_t index, TKZArchiveItem& f) {
  const TDirItem& item = FDMHandle->CDir[index];
  if (f.Handle.UseProperties) {
    std::u16string name = item.Name;
    std::replace(name.begin(), name.end(), u'/', u'\\');
    const auto matches = [&](const std::u16string& mask) { return NameMatchesMask(name, mask); };
    return std::any_of(FFileMasks.begin(), FFileMasks.end(), matches) &&
           std::none_of(FExclusionMasks.begin(), FExclusionMasks.end(), matches);
  }
  const std::u16string name(WithoutTrailingSeparator(item.Name));
  const std::u16string mask = PreparedMask(f.Handle);
  const std::size_t slash = name.find_last_of(u"/\\");
  const std::u16string file_part = slash == std::u16string::npos ? name : name.substr(slash + 1);
  const bool matches = NameMatchesMask(name, mask) || NameMatchesMask(file_part, mask);
  return matches && !NameMatchesMask(name, f.Handle.ExclusionMask);
}

bool TKZBaseArchiver::NameMatchesMask(const std::u16string& name, const std::u16string& mask) const {
  return kv::archive::NameMatchesMask(name, mask);
}

bool TKZBaseArchiver::AttrMatches(std::uint32_t entry_attr, std::uint32_t search_attr) {
  return (entry_attr & ~search_attr & kHiddenSystemVolumeFolder) == 0;
}

}  // namespace kv::archive
