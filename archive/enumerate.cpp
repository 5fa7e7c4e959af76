// The file selection of an add: walking masks and folders, filtering by attributes and
// exclusions, and turning every accepted file or folder into a pending directory entry.
//
// A folder that is there but cannot be listed is a failure of its own, raised through the
// failure event (CannotOpenSourceFile with the folder's path) as an unreadable file is:
// Retry lists it again, Abort ends the add, Ignore goes on without it; below the named
// sources such a folder is not stored either. Links and junctions to folders are followed,
// except into a folder that is already on the way down (the walk's own folder or one of its
// parents, compared by the folder's identity, not its name): that branch ends there, and the
// link is neither stored nor walked, so two links pointing back up cannot make the walk endless.
#include <algorithm>
#include <ctime>
#include <mutex>
#include <optional>
#include <vector>

#include "archive/base_archiver.h"
#include "archive/errors.h"
#include "archive/masks.h"
#include "archive/paths.h"
#include "archive/processing_lock.h"
#include "archive/wildcard.h"
#include "platform/file_system.h"
#include "platform/find_files.h"

namespace kv::archive {
namespace {

constexpr std::uint32_t kMax32 = 0xFFFFFFFF;
// A file with no attributes at all is taken when the filter holds all of these.
constexpr std::uint32_t kPlainFileBits = kAttrArchive | kAttrReadOnly | kAttrHidden | kAttrSystem;
constexpr std::uint32_t kFolderListing = kAttrHidden | kAttrSystem | kAttrDirectory;
// Attributes given to a file that is found but whose attributes cannot be read.
constexpr std::uint32_t kUnreadableAttributes = 0x04;

bool HasWildcard(std::u16string_view text) { return text.find_first_of(u"*?") != std::u16string_view::npos; }
bool HasSeparator(std::u16string_view text) { return text.find_first_of(u"\\/") != std::u16string_view::npos; }

// The current local time packed as a DOS date-time; 0 outside the DOS years.
std::uint32_t CurrentDosDateTime() {
  const std::time_t now = std::time(nullptr);
  const std::tm* local = std::localtime(&now);
  if (!local || local->tm_year + 1900 < 1980 || local->tm_year + 1900 > 2107) return 0;
  const TKZDosDateTime t{local->tm_year + 1900, local->tm_mon + 1, local->tm_mday,
                         local->tm_hour,        local->tm_min,     local->tm_sec};
  return (static_cast<std::uint32_t>(DosDate(t)) << 16) | DosTime(t);
}

std::uint32_t LastWriteOrNow(const std::u16string& path) {
  return platform::GetLastWriteDosTime(path).value_or(CurrentDosDateTime());
}

// The identities of `folder` and each of its parents (the folders a walk in `folder` is inside).
std::vector<platform::FolderIdentity> FoldersOnTheWay(std::u16string_view folder) {
  std::vector<platform::FolderIdentity> way;
  const std::size_t root = DrivePart(folder).size();
  for (std::size_t end = folder.find_first_of(u"\\/", root); end != std::u16string_view::npos;
       end = folder.find_first_of(u"\\/", end + 1)) {
    // "Z:" alone is the drive's current folder, the root is "Z:\".
    const std::u16string level(folder.substr(0, end == root ? end + 1 : end));
    if (const auto identity = platform::IdentifyFolder(level)) way.push_back(*identity);
  }
  if (!folder.empty() && folder.back() != u'\\' && folder.back() != u'/')
    if (const auto identity = platform::IdentifyFolder(std::u16string(folder))) way.push_back(*identity);
  return way;
}

bool IsExistingFolder(const std::u16string& path) {
  std::u16string folder = path;
  while (folder.size() > 1 && (folder.back() == u'\\' || folder.back() == u'/')) folder.pop_back();
  return platform::FolderExists(folder);
}

}  // namespace

void TKZBaseArchiver::EnumerateFiles(const TStrings& masks, std::uint32_t attr, const TStrings& exclusions,
                                     bool recurse, TKZProcessOperation operation) {
  std::lock_guard<std::recursive_mutex> lock(ProcessingLock());
  const std::u16string saved_current_dir = FCurrentDir;
  try {
    FCurrentDir = ResolvePath(FBaseDir, u"", FCurrentDir);
    const std::u16string base = FCurrentDir;
    for (const std::u16string& mask : masks) ScanFolder(base, base, mask, recurse, attr, exclusions, operation);
  } catch (...) {
    FCurrentDir = saved_current_dir;
    throw;
  }
  FCurrentDir = saved_current_dir;
}

void TKZBaseArchiver::ScanFolder(const std::u16string& dir, const std::u16string& base, std::u16string mask,
                                 bool recurse, std::uint32_t attr, const TStrings& exclusions,
                                 TKZProcessOperation operation) {
  const auto excluded = [&](const std::u16string& path, bool is_folder) {
    for (const std::u16string& x : exclusions)
      if (MatchesMask(path, x, is_folder, FBaseDir, FCurrentDir)) return true;
    return false;
  };
  // AddFoundFile: the confirm event, the entry, the no-compression masks and the size.
  const auto add_found_file = [&](const std::u16string& full_name, const platform::FoundFile& entry) {
    bool confirm = true;
    DoConfirmProcessFile(full_name, operation, confirm);
    if (!confirm) return;
    const std::int32_t index = AddDirItem(full_name, base, operation);
    if (index < 0) return;
    TDirItem& item = FDMHandle->CDir[index];
    if (operation == poMove) item.Operation = poMove;
    for (const std::u16string& line : FNoCompressionMasks) {
      if (!MatchesMask(full_name, line, entry.IsFolder(), FBaseDir, FCurrentDir)) continue;
      item.CompressionMode = 0;
      item.CentralDir.compMethod = kMethodStored;
      item.CompressionMethod = kMethodStored;
      break;
    }
    if (entry.size >= kMax32 || FZip64Mode == zmAlways) {
      item.bHugeFile = true;
      item.CentralDir.unCompSize = kMax32;
      item.Zip64ExtInfo.uncompSize = entry.size;
    } else {
      item.CentralDir.unCompSize = static_cast<std::uint32_t>(entry.size);
    }
  };
  // ConsiderFile: false when an exclusion mask matches.
  const auto consider_file = [&](const platform::FoundFile& entry, std::u16string_view folder) {
    std::u16string full_name = IncludeTrailingBackslash(ResolvePath(folder, u"", FCurrentDir)) + entry.name;
    if (entry.IsFolder()) full_name += u'\\';
    if (excluded(full_name, entry.IsFolder())) return false;
    add_found_file(full_name, entry);
    return true;
  };

  // The listing of `pattern`; nothing when its folder exists and cannot be read, after the
  // failure event has been raised (Retry lists again, Abort ends the add).
  const auto list = [&](const std::u16string& pattern,
                        std::uint32_t filter) -> std::optional<std::vector<platform::FoundFile>> {
    for (;;) {
      if (auto found = platform::ListFolder(pattern, filter)) return found;
      std::u16string folder(FolderPart(pattern));
      while (folder.size() > 3 && (folder.back() == u'\\' || folder.back() == u'/')) folder.pop_back();
      const EKZException error(kNative::CannotOpenSourceFile, {folder}, Name);
      TKZAction action = fxaIgnore;
      DoProcessFileFailure(folder, operation, action, error.Message(), error.ErrorCode(), error.NativeError());
      if (action == fxaAbort) throw error;
      if (action != fxaRetry) return std::nullopt;
    }
  };

  if (mask.empty()) return;  // an empty mask selects nothing
  const ResolvedMask resolved = ResolveMask(mask, dir, FCurrentDir);
  const std::u16string& pattern = resolved.pattern;
  if (pattern.empty()) return;

  // One source named by an absolute path without wildcards: no folder pass.
  if (pattern == mask && !HasWildcard(mask)) {
    const auto found = platform::FindFiles(pattern, attr);
    if (!found.empty()) consider_file(found.front(), FolderPart(pattern));
    return;
  }

  const std::uint32_t file_attr = attr & ~kAttrDirectory;
  const auto files = list(pattern, file_attr);
  if (!files) return;
  for (const platform::FoundFile& entry : *files) {
    const bool plain = entry.attributes == 0 && (file_attr & kPlainFileBits) == kPlainFileBits;
    if ((entry.attributes & file_attr) != 0 || plain) consider_file(entry, FolderPart(pattern));
  }

  if ((attr & kAttrDirectory) == 0 && !recurse) return;
  std::u16string folder(FolderPart(pattern));
  if (resolved.relative && ResolvePath(folder, u"", FCurrentDir).find(dir) == std::u16string::npos)
    folder = IncludeTrailingBackslash(dir);
  const auto subs = list(folder + u"*", kFolderListing);
  if (!subs) return;
  std::optional<std::vector<platform::FolderIdentity>> way;
  for (const platform::FoundFile& sub : *subs) {
    if (!sub.IsFolder() || sub.name == u"." || sub.name == u"..") continue;
    const std::u16string path = folder + sub.name;
    if (excluded(path, true)) continue;
    const bool selected =
        (attr & kAttrDirectory) != 0 && (WildcardMatch(path, pattern) || WildcardMatch(path + u".", pattern));
    if (!selected && (!recurse || (HasSeparator(mask) && !HasWildcard(mask)))) continue;
    // A folder the walk is already inside, reached again through a link: the branch ends.
    if (!way) way = FoldersOnTheWay(folder);
    const auto identity = platform::IdentifyFolder(path);
    if (identity && std::find(way->begin(), way->end(), *identity) != way->end()) continue;
    // A folder that cannot be listed is reported once and not stored as if it were empty.
    if (!list(path + u"\\*", kFolderListing)) continue;
    if (selected) {
      if (consider_file(sub, folder)) {
        mask = std::u16string(FinalComponent(mask));
        ScanFolder(path, base, mask, true, attr, exclusions, operation);
      }
      continue;
    }
    if (!HasSeparator(mask))
      ScanFolder(path, base, mask, true, attr, exclusions, operation);
    else
      ScanFolder(path, base, std::u16string(FinalComponent(pattern)), true, attr, exclusions, operation);
  }
}

std::int32_t TKZBaseArchiver::AddDirItem(const std::u16string& full_name, const std::u16string& base,
                                         TKZProcessOperation operation) {
  const bool is_folder = IsExistingFolder(full_name);
  std::u16string name = StoredName(full_name, base, FOptions.StorePath(), FCurrentDir);
  if (is_folder && !name.empty() && name.back() != u'/') name += u'/';
  std::int32_t attr = static_cast<std::int32_t>(kAttrArchive);
  if (is_folder || platform::FileExists(full_name))
    attr = static_cast<std::int32_t>(platform::GetFileAttributesAt(full_name).value_or(kUnreadableAttributes));
  std::string comment;
  DoStoreFile(name, attr, full_name, comment);

  TKZDirArray& dir = FDMHandle->CDir;
  std::int32_t index = -1;
  if (dir.FileExists(name, index)) {
    const auto existing = static_cast<std::int32_t>((static_cast<std::uint32_t>(dir[index].CentralDir.lastModDate) << 16) |
                                                    dir[index].CentralDir.lastModTime);
    const auto file_time = static_cast<std::int32_t>(LastWriteOrNow(full_name));
    bool replace = false;
    switch (FOptions.OverwriteMode()) {
      case omPrompt: {
        bool confirm = true;
        DoConfirmOverwrite(full_name, name, confirm);
        replace = confirm;
        break;
      }
      case omAlways: replace = true; break;
      case omNever: replace = false; break;
      case omIfNewer: replace = existing < file_time; break;
      case omIfOlder: replace = existing > file_time; break;
    }
    if (!replace) return -1;
    TDirItem& item = dir[index];
    item.Modified = true;
    item.SrcFileName = full_name;
    item.Operation = poUpdate;
  } else {
    index = dir.Count();
    dir.SetCount(index + 1);
    dir[index].Operation = poAdd;
  }
  InitDirItem(index, full_name, operation);

  if (dir[index].Name != name) dir.SetItemName(index, name);
  TDirItem& item = dir[index];
  item.CentralDir.nameLength = static_cast<std::uint16_t>(name.size());
  item.CentralDir.externalAttr = static_cast<std::uint32_t>(attr);
  item.Comment = comment;
  item.CentralDir.commentLength = static_cast<std::uint16_t>(comment.size());
  item.UseOldRijndael = false;
  item.ExtraFields.clear();
  return index;
}

void TKZBaseArchiver::InitDirItem(std::int32_t index, const std::u16string& full_name, TKZProcessOperation) {
  std::u16string name = StoredName(full_name, FCurrentDir, FOptions.StorePath(), FCurrentDir);
  if (name.empty()) return;  // a source equal to its base folder has no name
  const bool is_folder = IsExistingFolder(full_name);
  if (is_folder && name.back() != u'/') name += u'/';
  const std::uint32_t when = LastWriteOrNow(full_name);
  const std::uint32_t attributes = platform::GetFileAttributesAt(full_name).value_or(kAttrArchive);

  TKZDirArray& dir = FDMHandle->CDir;
  if (dir[index].Name != name) dir.SetItemName(index, name);
  TDirItem& item = dir[index];
  item.CentralDir = TKZZipCentralDir{};
  const std::uint16_t version = FOptions.OEMFileNames() ? kVersionOemNames : kVersionAnsiNames;
  item.CentralDir.versionMadeBy = version;
  item.CentralDir.extractVersion = version;
  item.CentralDir.genPurposeFlag = FPassword.empty() ? 0 : kFlagEncrypted;
  item.CentralDir.lastModTime = static_cast<std::uint16_t>(when & 0xFFFF);
  item.CentralDir.lastModDate = static_cast<std::uint16_t>(when >> 16);
  item.CentralDir.crc32 = kMax32;
  item.CentralDir.nameLength = static_cast<std::uint16_t>(name.size());
  item.CentralDir.externalAttr = attributes;
  item.SrcFileName = full_name;
  item.Modified = true;
  item.Password = FPassword;
  item.CompressionMode = FCompressionMode;
  item.CentralDir.compMethod = FCompressionMethod;
  item.CompressionMethod = FCompressionMethod;
  if (is_folder) {
    item.CompressionMode = 0;
    item.CentralDir.compMethod = kMethodStored;
    item.CentralDir.crc32 = 0;
    item.CentralDir.genPurposeFlag = kFlagFolderEntry;
  }
  item.bHugeFile = false;
  item.Zip64ExtInfo = TKZZip64ExtendedInfo{};
  item.Comment.clear();
  item.ExtraFields.clear();
  item.UseOldRijndael = false;
  item.Stream.reset();
}

}  // namespace kv::archive
