#pragma once
// The main window's Button6 "Create MendKit": gathers the ticked libraries into the staging folder
// and opens the package dialog.
#include <functional>
#include <string>

#include "builder/package_build.h"
#include "controls/controls.h"

namespace kv::builder {

inline constexpr char16_t kNothingTickedText[] =
    u"Please, select a files to be included in the MendKit SFX package.";

// With nothing ticked: the information message, and the dialog stays shut. Otherwise the staging
// folder is created or emptied, every ticked library (`folder` + name, `folder` ending in a
// backslash) is copied into it, and `show_dialog` opens the dialog modally. A library that cannot
// be copied (unreadable, vanished since the listing, a folder now) stops the gathering: the error
// message names it, the staging folder is emptied and the dialog stays shut. Throws PackageError
// when the staging folder cannot be created.
void GatherTickedLibraries(const ui::CheckList& libraries, const std::u16string& folder,
                           const BuildPlaces& places, ui::MessageBoxes& boxes, const std::u16string& caption,
                           const std::function<void()>& show_dialog);

}  // namespace kv::builder
