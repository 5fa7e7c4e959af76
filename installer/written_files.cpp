#include "installer/written_files.h"

#include <algorithm>

#include "archive/options.h"
#include "platform/file_system.h"

namespace kv::installer {
namespace {

bool IsFullPath(const std::u16string& name) {
  return (name.size() >= 2 && name[1] == u':') || (!name.empty() && (name[0] == u'\\' || name[0] == u'/'));
}

}  // namespace

void InstallingKolZip::DoExtractFile(std::u16string& file_name, std::uint32_t& file_attr, const std::string& comment) {
  package::RecordingKolZip::DoExtractFile(file_name, file_attr, comment);
  current_ = IsFullPath(file_name) ? std::u16string() : file_name;
  std::ranges::replace(current_, u'/', u'\\');
  current_kept_ = false;
  if (current_.empty()) return;
  // What the engine keeps without asking: an existing file once the answer was "No to all", and
  // a read-only one it may not replace.
  std::u16string folder = BaseDir();
  if (!folder.empty() && folder.back() != u'\\') folder += u'\\';
  const std::u16string target = folder + current_;
  if (!platform::FileExists(target)) return;
  const auto attributes = platform::GetFileAttributesAt(target);
  const bool read_only = attributes && (*attributes & platform::kAttrReadOnly) != 0;
  current_kept_ = Options().OverwriteMode() == archive::omNever || (read_only && !Options().ReplaceReadOnly());
}

void InstallingKolZip::DoConfirmOverwrite(const std::u16string& source_file_name, std::u16string& dest_file_name,
                                          bool& confirm) {
  package::RecordingKolZip::DoConfirmOverwrite(source_file_name, dest_file_name, confirm);
  if (!confirm) current_kept_ = true;
}

void InstallingKolZip::DoFileProgress(const std::u16string& file_name, archive::TKZProcessOperation operation,
                                      archive::TKZProgressPhase phase, double progress) {
  package::RecordingKolZip::DoFileProgress(file_name, operation, phase, progress);
  if (phase != archive::ppEnd || current_.empty()) return;
  std::u16string folder = BaseDir();
  if (!folder.empty() && folder.back() != u'\\') folder += u'\\';
  // A folder member, or one that failed, leaves no file of its own.
  if (!current_kept_ && platform::FileExists(folder + current_) && std::ranges::find(written_, current_) == written_.end())
    written_.push_back(current_);
  current_.clear();
}

}  // namespace kv::installer
