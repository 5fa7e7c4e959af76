// ExtractItemToFile: one entry of the archive becomes one file (or folder) on disk.
#include <memory>

#include "archive/base_archiver.h"
#include "archive/paths.h"
#include "platform/errors.h"
#include "platform/file_system.h"

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
    const std::u16string folder = dest_dir + std::u16string(FolderPart(file_name));
    if (!folder.empty() && !platform::CreateFolderTree(folder))
      throw EKZException(kNative::CannotCreateExtractedFolder, {folder}, Name);
  }
  const bool is_folder = (item.CentralDir.externalAttr & platform::kAttrDirectory) != 0 ||
                         (!item.Name.empty() && item.Name.back() == u'/');
  if (is_folder) return;

  std::u16string target = dest_dir + file_name;
  if (platform::FileExists(target)) {
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
  if (platform::FileExists(target)) {
    platform::SetFileAttributesAt(target, 0);
    platform::DeleteFileAt(target);
  }

  std::unique_ptr<TKZFileStream> file;
  try {
    file = std::make_unique<TKZFileStream>(target, kCreateMode);
  } catch (const platform::PlatformError&) {
    throw EKZException(kNative::CannotCreateExtractedFile, {target}, Name);
  }

  // Whatever happens while writing, the file is closed, stamped and, unless it came out
  // whole, deleted before the error goes on.
  bool failed = true;
  struct Finish {
    TKZBaseArchiver& self;
    std::unique_ptr<TKZFileStream>& file;
    const std::u16string& target;
    const TDirItem& item;
    std::uint32_t attributes;
    bool& failed;
    ~Finish() {
      if (self.FOptions.FlushBuffers() && platform::IsRemovableDrive(target)) file->Flush();
      file.reset();
      platform::SetLastWriteDosTime(target, (static_cast<std::uint32_t>(item.CentralDir.lastModDate) << 16) |
                                                item.CentralDir.lastModTime);
      if (self.FSkipFile || self.FProgressCancel || failed)
        platform::DeleteFileAt(target);
      else if (self.FOptions.SetAttributes())
        platform::SetFileAttributesAt(target, attributes);
    }
  } finish{*this, file, target, item, file_attr, failed};
  ExtractItemToStream(index, *file);
  failed = false;
}

}  // namespace kv::archive
