#pragma once
// An archive object that remembers which files its operations gave up on: every failure the user
// (or a handler) answered with Ignore or Abort. The question itself is still asked as usual.
#include <string>
#include <vector>

#include "archive/kolzip.h"

namespace kv::package {

class RecordingKolZip : public archive::TKolZip {
 public:
  void DoProcessFileFailure(const std::u16string& file_name, archive::TKZProcessOperation operation,
                            archive::TKZAction& action, const std::u16string& error_message,
                            std::int32_t error_code, std::int32_t native_error) override;

  // Forgets what earlier operations gave up on.
  void ResetFailures();
  const std::vector<std::u16string>& SkippedFiles() const { return skipped_; }
  // True when a failure was answered with Abort: the rest of that operation was not done.
  bool Aborted() const { return aborted_; }
  bool AllDone() const { return skipped_.empty() && !aborted_; }
  // Decompresses one member into a stream, checking its size and CRC (the installer's test of
  // the whole package before anything is written).
  using archive::TKZBaseArchiver::ExtractItemToStream;

 private:
  std::vector<std::u16string> skipped_;
  bool aborted_ = false;
};

}  // namespace kv::package
