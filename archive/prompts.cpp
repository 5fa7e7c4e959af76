#include "archive/prompts.h"

#include <array>

#include "archive/native_errors.h"
#include "platform/message_box.h"
#include "ui/controls.h"

namespace kv::archive {
namespace {

using platform::QuestionAnswer;
using platform::QuestionButtons;

constexpr char16_t kCaption[] = u"Confirm";

struct AnswerPair {
  ui::MessageAnswer ui;
  QuestionAnswer question;
};

constexpr std::array<AnswerPair, 7> kAnswers = {
    AnswerPair{ui::MessageAnswer::Yes, QuestionAnswer::Yes},         AnswerPair{ui::MessageAnswer::No, QuestionAnswer::No},
    AnswerPair{ui::MessageAnswer::NoToAll, QuestionAnswer::NoToAll}, AnswerPair{ui::MessageAnswer::YesToAll, QuestionAnswer::YesToAll},
    AnswerPair{ui::MessageAnswer::Abort, QuestionAnswer::Abort},     AnswerPair{ui::MessageAnswer::Retry, QuestionAnswer::Retry},
    AnswerPair{ui::MessageAnswer::Ignore, QuestionAnswer::Ignore}};

QuestionAnswer Ask(ui::MessageBoxes* boxes, const std::u16string& text, QuestionButtons buttons) {
  if (!boxes) return platform::AskQuestion(kCaption, text, buttons);
  const ui::MessageButtons ui_buttons = buttons == QuestionButtons::YesNoNoToAllYesToAll
                                            ? ui::MessageButtons::YesNoNoToAllYesToAll
                                            : ui::MessageButtons::AbortRetryIgnore;
  const ui::MessageAnswer answer = boxes->Show(text, kCaption, ui::MessageKind::Confirmation, ui_buttons);
  for (const auto& pair : kAnswers)
    if (pair.ui == answer) return pair.question;
  return QuestionAnswer::Closed;
}

}  // namespace

bool AskOverwrite(ui::MessageBoxes* boxes, const std::u16string& dest_file_name, const std::u16string& source_file_name,
                  TKZOverwriteMode& mode) {
  const std::u16string text = u"Overwrite file \"" + dest_file_name + u"\" with \"" + source_file_name + u"\"";
  switch (Ask(boxes, text, QuestionButtons::YesNoNoToAllYesToAll)) {
    case QuestionAnswer::Yes: return true;
    case QuestionAnswer::NoToAll: mode = omNever; return false;
    case QuestionAnswer::YesToAll: mode = omAlways; return true;
    default: return false;
  }
}

TKZAction AskFailure(ui::MessageBoxes* boxes, std::int32_t native_error, const std::u16string& message) {
  if (native_error == kNative::OpenAborted) return fxaAbort;
  QuestionAnswer answer;
  if (native_error == kNative::FileNameTooLong) {
    // The owner's boxes know no Abort/Ignore pair: Retry there counts as Abort, since
    // retrying a name that is too long can only fail again.
    answer = Ask(boxes, message, QuestionButtons::AbortIgnore);
  } else {
    answer = Ask(boxes, message + u". File processing error, possibly disk is full", QuestionButtons::AbortRetryIgnore);
  }
  switch (answer) {
    case QuestionAnswer::Retry:
      return native_error == kNative::FileNameTooLong ? fxaAbort : fxaRetry;
    case QuestionAnswer::Ignore: return fxaIgnore;
    default: return fxaAbort;
  }
}

}  // namespace kv::archive
