// ExtractItemToFile: one entry of the archive becomes one file (or folder) on disk.
#include <memory>

#include "archive/base_archiver.h"
#include "archive/paths.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/temp_files.h"

namespace kv::archive {
namespace {

constexpr std::uint16_t kCreateMode = 0xFF00;

// A name that gives its own place: a drive ("C:...") or a network prefix ("\\server...").
bool IsFullPathName(std::u16string_view name) {
  return (name.size() >= 2 && name[1] == u':') || name.substr(0, 2) == u"\\\\";
}

// True when a component of `name` steps out of its folder: ".." or, as Windows reads it, any
// component made of dots and spaces only (Windows drops trailing dots and spaces).
bool HasParentStep(std::u16string_view name) {
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find_first_of(u"\\/", start);
    if (end == std::u16string_view::npos) end = name.size();
    const auto part = name.substr(start, end - start);
    const bool dots_and_spaces = !part.empty() && part.find_first_not_of(u". ") == std::u16string_view::npos;
    if (dots_and_spaces && part.find(u"..") != std::u16string_view::npos) return true;
    start = end + 1;
  }
  return false;
}

std::int32_t AsSigned(std::uint32_t value) { return static_cast<std::int32_t>(value); }

// The first folder below `dest_dir` on the way to `file_name` that is a symbolic link or a
// junction (empty when there is none). Such a link was not made by this extraction and may
// lead anywhere, so nothing is written through it.
std::u16string LinkOnTheWay(const std::u16string& dest_dir, std::u16string_view file_name) {
  if (dest_dir.empty()) return {};
  for (std::size_t end = file_name.find_first_of(u"\\/"); end != std::u16string_view::npos;
       end = file_name.find_first_of(u"\\/", end + 1)) {
    std::u16string level = dest_dir + std::u16string(file_name.substr(0, end));
    if (platform::IsLink(level)) return level;
  }
  return {};
}

// Puts the finished temporary file in the place of `target`. A read-only old file (which the
// caller has decided to replace) loses the bit first and gets it back when the move fails; a
// link in that place is replaced itself, its target is never touched.
bool PutInPlace(const std::u16string& temp, const std::u16string& target) {
  const bool link = platform::IsLink(target);
  const auto old_attributes = link ? std::nullopt : platform::GetFileAttributesAt(target);
  const bool read_only = old_attributes && (*old_attributes & platform::kAttrReadOnly);
  if (read_only) platform::SetFileAttributesAt(target, 0);
  // Like any extracted file, the move is left to the system's cache: syncing the folder for
  // every member would make extraction many times slower than its peers.
  if (platform::MoveFileReplacing(temp, target, platform::MoveDurability::kCached)) return true;
  if (read_only) platform::SetFileAttributesAt(target, *old_attributes);
  return false;
}

}  // namespace

void TKZBaseArchiver::ExtractItemToFile(std::int32_t index, const std::u16string& file_name_in,
                                        const std::u16string& dest_dir_in) {
  TKZDirArray& dir = FDMHandle->CDir;
  if (index < 0 || index >= dir.Count()) throw EKZException(kNative::ExtractItemOutOfRange, Name);
  std::u16string file_name = file_name_in;
  std::uint32_t file_attr = dir[index].CentralDir.externalAttr;
  DoExtractFile(file_name, file_attr, dir[index].Comment);
  const TDirItem& item = dir[index];

  std::u16string dest_dir = IsFullPathName(file_name) ? std::u16string() : dest_dir_in;
  // Never let a stored name climb out of the destination folder.
  if (HasParentStep(file_name))
    throw EKZException(kNative::CannotCreateExtractedFile, {dest_dir + file_name}, Name);
  if (!FOptions.CreateDirs()) {
    file_name = std::u16string(FinalComponent(file_name));
  } else {
    // Nor through a link that is already inside it.
    if (const std::u16string link = LinkOnTheWay(dest_dir, file_name); !link.empty())
      throw EKZException(kNative::CannotCreateExtractedFolder, {link}, Name);
    const std::u16string folder = dest_dir + std::u16string(FolderPart(file_name));
    if (!folder.empty() && !platform::CreateFolderTree(folder))
      throw EKZException(kNative::CannotCreateExtractedFolder, {folder}, Name);
  }
  const bool is_folder = (item.CentralDir.externalAttr & platform::kAttrDirectory) != 0 ||
                         (!item.Name.empty() && item.Name.back() == u'/');
  if (is_folder) return;

  std::u16string target = dest_dir + file_name;
  // A dangling link counts as an existing file: the overwrite rules decide, and a replacement
  // takes the link's place instead of following it.
  if (platform::FileExists(target) || platform::IsLink(target)) {
    if (!FOptions.ReplaceReadOnly()) {
      const auto attributes = platform::GetFileAttributesAt(target);
      if (attributes && (*attributes & platform::kAttrReadOnly)) return;
    }
    const std::uint32_t stamp = (static_cast<std::uint32_t>(item.CentralDir.lastModDate) << 16) |
                                item.CentralDir.lastModTime;
    const auto age = [&] { return AsSigned(platform::GetLastWriteDosTime(target).value_or(0)); };
    switch (FOptions.OverwriteMode()) {
      case omPrompt: {
        bool confirm = false;
        std::u16string dest_file_name = target;
        DoConfirmOverwrite(file_name, dest_file_name, confirm);
        if (!confirm) return;
        target = dest_file_name;
        break;
      }
      case omAlways: break;
      case omNever: return;
      case omIfNewer:
        if (age() >= AsSigned(stamp)) return;
        break;
      case omIfOlder:
        if (age() <= AsSigned(stamp)) return;
        break;
    }
  }

  // The member is written under a temporary name beside its target and takes the target's
  // place only once it is complete and checked: a member that fails, is skipped or is
  // cancelled leaves an old file as it was.
  std::unique_ptr<TKZFileStream> file;
  std::u16string temp;
  try {
    temp = platform::CreateUniqueTempFile(std::u16string(FolderPart(target)), u"kvx");
    file = std::make_unique<TKZFileStream>(temp, kCreateMode);
  } catch (const platform::PlatformError&) {
    if (!temp.empty()) platform::DeleteFileAt(temp);
    throw EKZException(kNative::CannotCreateExtractedFile, {target}, Name);
  }
  struct TempGuard {
    std::unique_ptr<TKZFileStream>& file;
    const std::u16string& temp;
    bool placed = false;
    ~TempGuard() {
      file.reset();
      if (!placed) platform::DeleteFileAt(temp);
    }
  } guard{file, temp};
  ExtractItemToStream(index, *file);
  if (FOptions.FlushBuffers() && platform::IsRemovableDrive(target)) file->Flush();
  file.reset();
  if (FSkipFile || FProgressCancel) return;
  platform::SetLastWriteDosTime(temp, (static_cast<std::uint32_t>(item.CentralDir.lastModDate) << 16) |
                                          item.CentralDir.lastModTime);
  if (!PutInPlace(temp, target)) throw EKZException(kNative::CannotCreateExtractedFile, {target}, Name);
  guard.placed = true;
  if (FOptions.SetAttributes()) platform::SetFileAttributesAt(target, file_attr);
}

}  // namespace kv::archive
