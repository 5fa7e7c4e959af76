#include "package/recording_archiver.h"

namespace kv::package {

void RecordingKolZip::DoProcessFileFailure(const std::u16string& file_name,
                                           archive::TKZProcessOperation operation, archive::TKZAction& action,
                                           const std::u16string& error_message, std::int32_t error_code,
                                           std::int32_t native_error) {
  archive::TKolZip::DoProcessFileFailure(file_name, operation, action, error_message, error_code,
                                         native_error);
  if (action == archive::fxaRetry) return;
  skipped_.push_back(file_name);
  if (action == archive::fxaAbort) aborted_ = true;
}

void RecordingKolZip::ResetFailures() {
  skipped_.clear();
  aborted_ = false;
}

}  // namespace kv::package
