// The fifteen event dispatchers of the archive object. Each supplies the answer when no
// handler is assigned; the overwrite and failure questions then go to the engine's prompts.
#include "archive/base_archiver.h"
#include "archive/prompts.h"

namespace kv::archive {
namespace {

std::u16string WithBackslashes(std::u16string name) {
  for (auto& c : name)
    if (c == u'/') c = u'\\';
  return name;
}

void ToSlashes(std::u16string& name) {
  for (auto& c : name)
    if (c == u'\\') c = u'/';
}

void ToBackslashes(std::u16string& name) {
  for (auto& c : name)
    if (c == u'/') c = u'\\';
}

}  // namespace

void TKZBaseArchiver::DoOverallProgress(TKZProcessOperation operation, TKZProgressPhase phase, double progress) {
  if (OnOverallProgress)
    OnOverallProgress(*this, progress, operation, phase, FProgressCancel);
  else
    FProgressCancel = false;
}

void TKZBaseArchiver::DoFileProgress(const std::u16string& file_name, TKZProcessOperation operation,
                                     TKZProgressPhase phase, double progress) {
  if (OnFileProgress)
    OnFileProgress(*this, WithBackslashes(file_name), progress, operation, phase, FProgressCancel);
  else
    FProgressCancel = false;
}

void TKZBaseArchiver::DoCopyTempFileProgress(TKZProgressPhase phase, double progress, bool& cancel) {
  cancel = false;
  if (OnCopyTempFileProgress) OnCopyTempFileProgress(*this, progress, phase, cancel);
}

void TKZBaseArchiver::DoConfirmOverwrite(const std::u16string& source_file_name, std::u16string& dest_file_name,
                                         bool& confirm) {
  if (OnConfirmOverwrite) {
    OnConfirmOverwrite(*this, source_file_name, dest_file_name, confirm);
    return;
  }
  TKZOverwriteMode mode = FOptions.OverwriteMode();
  confirm = AskOverwrite(Prompts, dest_file_name, source_file_name, mode);
  FOptions.SetOverwriteMode(mode);
}

void TKZBaseArchiver::DoConfirmProcessFile(const std::u16string& file_name, TKZProcessOperation operation,
                                           bool& confirm) {
  confirm = true;
  if (OnConfirmProcessFile) OnConfirmProcessFile(*this, file_name, operation, confirm);
}

void TKZBaseArchiver::DoPassword(const std::u16string& file_name, std::string& new_password, bool& skip_file) {
  // Encrypted members are not supported: without a handler the member is skipped.
  if (OnPassword)
    OnPassword(*this, file_name, new_password, skip_file);
  else
    skip_file = true;
}

void TKZBaseArchiver::DoProcessFileFailure(const std::u16string& file_name, TKZProcessOperation operation,
                                           TKZAction& action, const std::u16string& error_message,
                                           std::int32_t error_code, std::int32_t native_error) {
  action = fxaIgnore;
  if (OnProcessFileFailure)
    OnProcessFileFailure(*this, file_name, operation, native_error, error_code, error_message, action);
  else
    action = AskFailure(Prompts, native_error, error_message);
}

// The volume requests belong to spanned archives, which this engine does not write: without
// a handler they cancel.
void TKZBaseArchiver::DoRequestBlankVolume(std::int32_t volume_number, std::u16string& volume_file_name,
                                           bool& cancel) {
  cancel = true;
  if (OnRequestBlankVolume) OnRequestBlankVolume(*this, volume_number, volume_file_name, cancel);
}

void TKZBaseArchiver::DoRequestFirstVolume(std::u16string& volume_file_name, bool& cancel) {
  cancel = true;
  if (OnRequestFirstVolume) OnRequestFirstVolume(*this, volume_file_name, cancel);
}

void TKZBaseArchiver::DoRequestLastVolume(std::u16string& volume_file_name, bool& cancel) {
  cancel = true;
  if (OnRequestLastVolume) OnRequestLastVolume(*this, volume_file_name, cancel);
}

void TKZBaseArchiver::DoRequestMiddleVolume(std::int32_t volume_number, std::u16string& volume_file_name,
                                            bool& cancel) {
  cancel = true;
  if (OnRequestMiddleVolume) OnRequestMiddleVolume(*this, volume_number, volume_file_name, cancel);
}

void TKZBaseArchiver::DoDiskFull(std::int32_t volume_number, const std::u16string& volume_file_name, bool& cancel) {
  cancel = false;
  if (OnDiskFull) {
    OnDiskFull(*this, volume_number + 1, volume_file_name, cancel);
    return;
  }
  if (FSpanningMode != smSpanning) throw EKZException(kNative::DiskFull);
  cancel = true;  // no disk change without a handler
}

void TKZBaseArchiver::DoProcessVolumeFailure(TKZProcessOperation operation, std::int32_t volume_number,
                                             const std::u16string& volume_file_name, bool& cancel) {
  if (OnProcessVolumeFailure) OnProcessVolumeFailure(*this, operation, volume_number, volume_file_name, cancel);
}

void TKZBaseArchiver::DoStoreFile(std::u16string& file_name, std::int32_t& file_attr,
                                  const std::u16string& original_file_name, std::string& comment) {
  if (!OnStoreFile) return;
  ToBackslashes(file_name);
  OnStoreFile(*this, file_name, file_attr, comment, original_file_name);
  ToSlashes(file_name);
}

void TKZBaseArchiver::DoExtractFile(std::u16string& file_name, std::uint32_t& file_attr, const std::string& comment) {
  ToBackslashes(file_name);
  if (OnExtractFile) OnExtractFile(*this, file_name, file_attr, comment);
}

}  // namespace kv::archive
