#pragma once
// The engine's own questions, asked when no handler answers an overwrite or a failure event:
// through the owner's prompter when it gave one (TKZBaseArchiver::Prompts), otherwise through
// the system's question box (platform/message_box.h).
#include <cstdint>
#include <string>

#include "archive/options.h"
#include "archive/prompter.h"

namespace kv::archive {

// "Overwrite file "<dest>" with "<source>"" with Yes, No, No to All and Yes to All. Returns
// Confirm; No to All sets `mode` to omNever and Yes to All to omAlways. Closing the box
// without a button gives false.
bool AskOverwrite(Prompter* prompter, const std::u16string& dest_file_name,
                  const std::u16string& source_file_name, TKZOverwriteMode& mode);

// The failure question for `message` (the whole text of the engine error): kNative::OpenAborted
// aborts without asking, kNative::FileNameTooLong offers Abort and Ignore, anything else Abort,
// Retry and Ignore after "<message>. File processing error, possibly disk is full". Closing the
// box aborts.
TKZAction AskFailure(Prompter* prompter, std::int32_t native_error, const std::u16string& message);

}  // namespace kv::archive
