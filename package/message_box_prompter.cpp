#include "package/message_box_prompter.h"

#include <array>

namespace kv::package {
namespace {

using platform::QuestionAnswer;
using platform::QuestionButtons;

struct AnswerPair {
  ui::MessageAnswer box;
  QuestionAnswer question;
};

constexpr std::array<AnswerPair, 7> kAnswers = {
    AnswerPair{ui::MessageAnswer::Yes, QuestionAnswer::Yes},
    AnswerPair{ui::MessageAnswer::No, QuestionAnswer::No},
    AnswerPair{ui::MessageAnswer::NoToAll, QuestionAnswer::NoToAll},
    AnswerPair{ui::MessageAnswer::YesToAll, QuestionAnswer::YesToAll},
    AnswerPair{ui::MessageAnswer::Abort, QuestionAnswer::Abort},
    AnswerPair{ui::MessageAnswer::Retry, QuestionAnswer::Retry},
    AnswerPair{ui::MessageAnswer::Ignore, QuestionAnswer::Ignore}};

}  // namespace

QuestionAnswer MessageBoxPrompter::Ask(const std::u16string& caption, const std::u16string& text,
                                       QuestionButtons buttons) {
  const ui::MessageButtons box_buttons = buttons == QuestionButtons::YesNoNoToAllYesToAll
                                             ? ui::MessageButtons::YesNoNoToAllYesToAll
                                             : ui::MessageButtons::AbortRetryIgnore;
  const ui::MessageAnswer answer = boxes_.Show(text, caption, ui::MessageKind::Confirmation, box_buttons);
  for (const auto& pair : kAnswers)
    if (pair.box == answer) return pair.question;
  return QuestionAnswer::Closed;
}

}  // namespace kv::package
