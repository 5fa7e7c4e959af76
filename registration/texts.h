#pragma once
// The registration tool's own texts, shown to the user or written to the log exactly as here.
#include <string>

#include "kv/version.h"
#include "registration/action.h"

namespace kv::registration {

inline constexpr char16_t kApplicationTitle[] = u"Kolvane";
inline constexpr char16_t kWaitingStatus[] = u"(waiting)";
inline constexpr char16_t kFolderPickerCaption[] = u"Please, select a folder:";
inline constexpr char16_t kNothingToRegister[] =
    u"No files loaded or selected, please, specify a folder and/or select a files to register.";
inline constexpr char16_t kAllSucceeded[] = u"All operations performed successfully!";

inline constexpr char16_t kLogTitle[] = u"Kolvane ver. " KV_VERSION_TEXT_U u" operation output";
inline constexpr char16_t kLogDatePrefix[] = u"Performed on: ";
inline constexpr char16_t kLogTimePrefix[] = u"System time: ";
inline constexpr char16_t kLogRule[] = u"--------------------------------------------";  // 44 hyphens

inline constexpr char16_t kResultOk[] = u" OK!";
inline constexpr char16_t kResultFailed[] = u" failed.";
// Put before the cause line the log adds under a failed result line.
inline constexpr char16_t kCauseIndent[] = u"    ";

inline constexpr char16_t kNothingToUnregister[] =
    u"No files loaded or selected, please, specify a folder and/or select a files to unregister.";

// The end of a run in which some libraries failed, e.g. "2 of 5 libraries failed to register."
// ("... failed to unregister." after an unregistering run).
std::u16string FailureSummary(int failed, int handled, Action action = Action::Register);

// The entry of the Register button's menu and of the list's right-click menu, and the question
// asked before it runs: "Unregister 3 libraries?".
inline constexpr char16_t kUnregisterEntry[] = u"Unregister";
std::u16string UnregisterQuestion(int count);

// The Register button's caption, and its caption while a run goes on.
inline constexpr char16_t kRegisterCaption[] = u"Register";
inline constexpr char16_t kStopCaption[] = u"Stop";
// The log line before the closing rule of a stopped run, also the end message's (last) sentence:
// "Stopped: 2 libraries not attempted.".
std::u16string StoppedSummary(int not_attempted);

// What the status bar says after a folder was listed: "3 libraries", "1 library", or why there
// is nothing to show.
std::u16string ListedSummary(int count);
inline constexpr char16_t kNoLibrariesInFolder[] = u"No .dll or .ocx files in this folder";
inline constexpr char16_t kCannotReadFolder[] = u"Cannot read this folder: ";  // followed by the reason
// The name Save log offers.
inline constexpr char16_t kLogFileName[] = u"Kolvane.log";

}  // namespace kv::registration
