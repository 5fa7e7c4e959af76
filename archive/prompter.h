#pragma once
// Who answers the engine's own questions (overwrite? retry?) when no event handler does. The
// engine knows nothing of windows: the owner gives it a Prompter (the programs put their message
// boxes behind one, package/message_box_prompter.h); without one the system's question box asks.
#include <string>

#include "platform/message_box.h"

namespace kv::archive {

class Prompter {
 public:
  virtual ~Prompter() = default;
  // Puts `text` under `caption` with `buttons`; Closed when it was dismissed without an answer.
  virtual platform::QuestionAnswer Ask(const std::u16string& caption, const std::u16string& text,
                                       platform::QuestionButtons buttons) = 0;
};

}  // namespace kv::archive
