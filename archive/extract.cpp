// ExtractFiles: choosing the entries and the processing pass that extracts them.
#include <mutex>

#include "archive/base_archiver.h"
#include "archive/processing_lock.h"
#include "platform/file_system.h"

namespace kv::archive {
namespace {

bool HasWildcards(const std::u16string& mask) { return mask.find_first_of(u"*?") != std::u16string::npos; }

std::u16string WithBackslashes(std::u16string name) {
  for (auto& c : name)
    if (c == u'/') c = u'\\';
  return name;
}

}  // namespace

void TKZBaseArchiver::ExtractFiles(const std::u16string& file_mask, std::uint32_t search_attr,
                                   const std::u16string& exclusion_mask) {
  CheckActive();
  CheckNotInUpdate();
  if (FOptions.Recurse() || HasWildcards(file_mask) || !exclusion_mask.empty() || search_attr != kDefaultSearchAttr) {
    TagFilesByMask(file_mask, search_attr, exclusion_mask);
    ProcessTaggedFiles(poExtract, -1);
    return;
  }
  // A plain name: one lookup, one entry, other tags left alone.
  TKZArchiveItem f;
  if (!FindFirst(file_mask, f, search_attr, exclusion_mask)) return;
  FDMHandle->CDir[f.Handle.ItemNo].Tagged = true;
  ProcessTaggedFiles(poExtract, f.Handle.ItemNo);
}

void TKZBaseArchiver::ExtractFiles() {
  CheckActive();
  CheckNotInUpdate();
  FDMHandle->CDir.ClearTags();
  TKZArchiveItem f;
  for (bool found = FindFirst(f); found; found = FindNext(f)) FDMHandle->CDir[f.Handle.ItemNo].Tagged = true;
  ProcessTaggedFiles(poExtract, -1);
}

void TKZBaseArchiver::TagFilesByMask(const std::u16string& file_mask, std::uint32_t search_attr,
                                     const std::u16string& exclusion_mask) {
  FDMHandle->CDir.ClearTags();
  TKZArchiveItem f;
  for (bool found = FindFirst(file_mask, f, search_attr, exclusion_mask); found; found = FindNext(f))
    FDMHandle->CDir[f.Handle.ItemNo].Tagged = true;
}

void TKZBaseArchiver::ProcessTaggedFiles(TKZProcessOperation operation, std::int32_t index) {
  std::lock_guard<std::recursive_mutex> lock(ProcessingLock());
  TKZDirArray& dir = FDMHandle->CDir;
  FProcessedFileNo = 0;
  FProcessedFileCount = 0;
  FProgressCancel = false;
  FProgressEnabled = true;
  if (index < 0) {
    for (std::int32_t i = 0; i < dir.Count(); ++i) FProcessedFileCount += dir[i].Tagged ? 1 : 0;
  } else {
    FProcessedFileCount = 1;
  }
  DoOverallProgress(operation, ppStart, 0.0);
  if (FProgressCancel) return;

  bool walking = true;
  for (std::int32_t i = index < 0 ? 0 : index; walking && i < dir.Count(); ++i) {
    if (!dir[i].Tagged) continue;
    dir[i].Operation = operation;
    const std::u16string stored_name = dir[i].Name;
    TKZAction action = fxaIgnore;
    do {
      action = fxaIgnore;
      const std::u16string file_name = WithBackslashes(stored_name);
      try {
        bool confirm = true;
        DoConfirmProcessFile(file_name, operation, confirm);
        if (!confirm) break;
        if (FCurrentDir.empty()) FCurrentDir = platform::CurrentFolder();
        std::u16string dest_dir = FBaseDir.empty() ? FCurrentDir : FBaseDir;
        if (dest_dir.empty() || dest_dir.back() != u'\\') dest_dir += u'\\';
        DoFileProgress(stored_name, operation, ppStart, 0.0);
        if (FProgressCancel) {
          walking = false;
          break;
        }
        ExtractItemToFile(i, file_name, dest_dir);
        const bool cancelled_before = FProgressCancel;
        DoFileProgress(stored_name, operation, ppEnd, 100.0);
        FProgressCancel = FProgressCancel || cancelled_before;
        if (FProgressCancel)
          walking = false;
        else
          ++FProcessedFileNo;
      } catch (const EKZException& error) {
        DoProcessFileFailure(file_name, operation, action, error.Message(), error.ErrorCode(), error.NativeError());
        if (action == fxaAbort) walking = false;
      }
    } while (action == fxaRetry);
    if (index >= 0) break;
  }

  const bool cancelled_before = FProgressCancel;
  DoOverallProgress(operation, ppEnd, 100.0);
  FProgressCancel = FProgressCancel || cancelled_before;
}

}  // namespace kv::archive
