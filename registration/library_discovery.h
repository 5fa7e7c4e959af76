#pragma once
// Finding the COM libraries of a folder and working with the tool's check-list of them.
#include <string>
#include <vector>

#include "controls/controls.h"

namespace kv::registration {

// Registration tool: appends to `list` (never clearing it) the names of the "*.dll" files of
// `folder`, then those of its "*.ocx" files, each group in the order the file system yields
// it, unsorted. `folder` must end with "\"; the patterns are folder + "*.dll" and
// folder + "*.ocx", and of what they find only the files whose long name ends in ".dll" or
// ".ocx" (any letter case) are kept: a match through the 8.3 short name alone ("lib.dllx",
// "x.dll_old") is no library. Hidden, system and read-only files are listed; folders are not. A folder
// that is missing, unreadable or holds no library adds nothing and reports nothing.
void FindLibraries(const std::u16string& folder, ui::CheckList& list);

// Installer: the same search into a plain list, with `folder` given without a trailing "\"
// (the patterns are folder + "\*.dll" and folder + "\*.ocx").
void FindLibraries(const std::u16string& folder, std::vector<std::u16string>& names);

// True when at least one entry of `list` is ticked.
bool AnyEntryChecked(const ui::CheckList& list);

// Selects the first entry whose name begins with `search` (case-insensitively, under the
// user's locale), or clears the selection when none does. Ticks and order are not touched.
void SelectFirstMatch(ui::CheckList& list, const std::u16string& search);

}  // namespace kv::registration
