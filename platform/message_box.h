#pragma once
// The system's modal question box, for the engine's own prompts when the owner supplies no
// message boxes of its own. Win32: a real modal box owned by the active window (the
// four-answer question is a small dialog built at run time, since MessageBoxW has no such
// buttons). POSIX stand-in: nothing is shown; the answer is that of a user who presses the
// default button, which is the first one (Yes, or Abort).
#include <string>

namespace kv::platform {

enum class QuestionButtons { YesNoNoToAllYesToAll, AbortRetryIgnore, AbortIgnore };
// Closed: the box was closed without pressing a button (Esc, the close box).
enum class QuestionAnswer { Closed, Yes, No, NoToAll, YesToAll, Abort, Retry, Ignore };

QuestionAnswer AskQuestion(const std::u16string& caption, const std::u16string& text, QuestionButtons buttons);

}  // namespace kv::platform
