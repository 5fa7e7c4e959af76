#include "platform/message_box.h"

namespace kv::platform {

QuestionAnswer AskQuestion(const std::u16string&, const std::u16string&, QuestionButtons buttons) {
  return buttons == QuestionButtons::YesNoNoToAllYesToAll ? QuestionAnswer::Yes : QuestionAnswer::Abort;
}

}  // namespace kv::platform
