#pragma once
// The engine's questions put to a program's message boxes (or to the scripted boxes of tests),
// with the caption and buttons the engine asks for.
#include "archive/prompter.h"
#include "controls/controls.h"

namespace kv::package {

class MessageBoxPrompter : public archive::Prompter {
 public:
  explicit MessageBoxPrompter(ui::MessageBoxes& boxes) : boxes_(boxes) {}
  // Abort and Ignore alone are asked with Abort, Retry and Ignore: message boxes know no such
  // pair (the engine takes Retry there as Abort).
  platform::QuestionAnswer Ask(const std::u16string& caption, const std::u16string& text,
                               platform::QuestionButtons buttons) override;

 private:
  ui::MessageBoxes& boxes_;
};

}  // namespace kv::package
