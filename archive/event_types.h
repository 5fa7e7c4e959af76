#pragma once
// The archive object's event types. Every handler receives the archive object first; a
// parameter passed by non-const reference is in/out and read back by the engine.
#include <cstdint>
#include <functional>
#include <string>

#include "archive/options.h"

namespace kv::archive {

class TKZBaseArchiver;
using TObject = TKZBaseArchiver;

using TNotifyEvent = std::function<void(TObject& sender)>;
using TKZProgressEvent = std::function<void(TObject& sender, double progress, TKZProcessOperation operation,
                                            TKZProgressPhase phase, bool& cancel)>;
using TKZFileProgressEvent =
    std::function<void(TObject& sender, const std::u16string& file_name, double progress,
                       TKZProcessOperation operation, TKZProgressPhase phase, bool& cancel)>;
using TKZCopyTempFileProgressEvent =
    std::function<void(TObject& sender, double progress, TKZProgressPhase phase, bool& cancel)>;
using TKZConfirmOverwriteEvent = std::function<void(TObject& sender, const std::u16string& source_file_name,
                                                    std::u16string& dest_file_name, bool& confirm)>;
using TKZConfirmProcessFileEvent = std::function<void(TObject& sender, const std::u16string& file_name,
                                                      TKZProcessOperation operation, bool& confirm)>;
using TKZOnPasswordEvent = std::function<void(TObject& sender, const std::u16string& file_name,
                                              std::string& new_password, bool& skip_file)>;
using TKZProcessFileFailureEvent =
    std::function<void(TObject& sender, const std::u16string& file_name, TKZProcessOperation operation,
                       std::int32_t native_error, std::int32_t error_code, const std::u16string& error_message,
                       TKZAction& action)>;
using TKZOnRequestBlankVolumeEvent = std::function<void(TObject& sender, std::int32_t volume_number,
                                                        std::u16string& volume_file_name, bool& cancel)>;
using TKZOnRequestFirstVolumeEvent =
    std::function<void(TObject& sender, std::u16string& volume_file_name, bool& cancel)>;
using TKZOnRequestLastVolumeEvent =
    std::function<void(TObject& sender, std::u16string& volume_file_name, bool& cancel)>;
using TKZOnRequestMiddleVolumeEvent = std::function<void(TObject& sender, std::int32_t volume_number,
                                                         std::u16string& volume_file_name, bool& cancel)>;
using TKZOnDiskFullEvent = std::function<void(TObject& sender, std::int32_t volume_number,
                                              const std::u16string& volume_file_name, bool& cancel)>;
using TKZProcessVolumeFailureEvent =
    std::function<void(TObject& sender, TKZProcessOperation operation, std::int32_t volume_number,
                       const std::u16string& volume_file_name, bool& cancel)>;
using TKZOnStoreFileEvent =
    std::function<void(TObject& sender, std::u16string& file_name, std::int32_t& file_attr, std::string& comment,
                       const std::u16string& original_file_name)>;
using TKZOnExtractFileEvent = std::function<void(TObject& sender, std::u16string& file_name,
                                                 std::uint32_t& file_attr, const std::string& comment)>;

}  // namespace kv::archive
