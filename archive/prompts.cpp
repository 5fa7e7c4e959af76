#include "archive/prompts.h"

#include "archive/native_errors.h"
#include "platform/message_box.h"

namespace kv::archive {
namespace {

using platform::QuestionAnswer;
using platform::QuestionButtons;

constexpr char16_t kCaption[] = u"Confirm";

QuestionAnswer Ask(Prompter* prompter, const std::u16string& text, QuestionButtons buttons) {
  return prompter ? prompter->Ask(kCaption, text, buttons) : platform::AskQuestion(kCaption, text, buttons);
}

}  // namespace

bool AskOverwrite(Prompter* prompter, const std::u16string& dest_file_name, const std::u16string& source_file_name,
                  TKZOverwriteMode& mode) {
  const std::u16string text = u"Overwrite file \"" + dest_file_name + u"\" with \"" + source_file_name + u"\"";
  switch (Ask(prompter, text, QuestionButtons::YesNoNoToAllYesToAll)) {
    case QuestionAnswer::Yes: return true;
    case QuestionAnswer::NoToAll: mode = omNever; return false;
    case QuestionAnswer::YesToAll: mode = omAlways; return true;
    default: return false;
  }
}

TKZAction AskFailure(Prompter* prompter, std::int32_t native_error, const std::u16string& message) {
  if (native_error == kNative::OpenAborted) return fxaAbort;
  QuestionAnswer answer;
  if (native_error == kNative::FileNameTooLong) {
    // Retry counts as Abort here (a prompter may offer only Abort, Retry and Ignore), since
    // retrying a name that is too long can only fail again.
    answer = Ask(prompter, message, QuestionButtons::AbortIgnore);
  } else {
    answer = Ask(prompter, message + u". File processing error, possibly disk is full", QuestionButtons::AbortRetryIgnore);
  }
  switch (answer) {
    case QuestionAnswer::Retry:
      return native_error == kNative::FileNameTooLong ? fxaAbort : fxaRetry;
    case QuestionAnswer::Ignore: return fxaIgnore;
    default: return fxaAbort;
  }
}

}  // namespace kv::archive
