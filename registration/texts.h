#pragma once
// The registration tool's own texts, shown to the user or written to the log exactly as here.
#include <string>

#include "kv/version.h"

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

// The end of a run in which some libraries failed, e.g. "2 of 5 libraries failed to register.".
std::u16string FailureSummary(int failed, int handled);

}  // namespace kv::registration
