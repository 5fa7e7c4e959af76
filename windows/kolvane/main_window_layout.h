#pragma once
// Positions, texts and fonts of the main window's controls (96-dpi pixels, client area). The
// buttons are wide enough for "Create MendKit" in the wider faces that stand in for Tahoma.
// Table order is the tab order: folder field, Browse, Select all, Select none, Save log,
// Register, log; then the search field, Create MendKit and the list inside the files panel.
#include <windows.h>
#include <commctrl.h>

#include <array>

#include "windows/common/layout.h"
#include "windows/common/skin.h"
#include "windows/control_ids.h"

namespace kv::ui::win32::kolvane {

inline constexpr int kClientWidth = 501;
inline constexpr int kClientHeight = 591;
inline constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

inline constexpr std::array kFonts{FontSpec{L"Tahoma", -11, false}, FontSpec{L"Tahoma", -16, true}};

// Framed panels: folder row, files, progress and status, log.
inline constexpr std::array kPanels{PanelSpec{2, 86, 497, 53}, PanelSpec{2, 145, 497, 205},
                                    PanelSpec{2, 356, 497, 75}, PanelSpec{2, 437, 497, 129}};

inline constexpr DWORD kTab = WS_TABSTOP;
inline constexpr DWORD kButton = WS_TABSTOP | BS_PUSHBUTTON;

// clang-format off
inline constexpr std::array kControls{
  ControlSpec{ids::kBanner, L"STATIC", u"", SS_OWNERDRAW | SS_NOTIFY, 0, 0, 0, 500, 80, FontRole::Normal},
  ControlSpec{ids::kFolderLabel, L"STATIC", u"Folder:", SS_LEFT, 0, 8, 89, 60, 13, FontRole::Normal},
  ControlSpec{ids::kFolderEdit, L"EDIT", u"", kTab | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 8, 104, 383, 21, FontRole::Normal},
  ControlSpec{ids::kBrowseButton, L"BUTTON", u"Browse...", kButton, 0, 397, 102, 94, 25, FontRole::Normal},
  ControlSpec{ids::kSelectAllButton, L"BUTTON", u"Select all", kButton, 0, 397, 163, 94, 25, FontRole::Normal},
  ControlSpec{ids::kSelectNoneButton, L"BUTTON", u"Select none", kButton, 0, 397, 194, 94, 25, FontRole::Normal},
  ControlSpec{ids::kSaveLogButton, L"BUTTON", u"Save log...", kButton | WS_DISABLED, 0, 397, 225, 94, 25, FontRole::Normal},
  ControlSpec{ids::kRegisterButton, L"BUTTON", u"Register", WS_TABSTOP | BS_DEFSPLITBUTTON, 0, 397, 316, 94, 25, FontRole::Normal},
  ControlSpec{ids::kLogList, L"LISTBOX", u"", kTab | WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY, WS_EX_CLIENTEDGE, 8, 448, 485, 111, FontRole::Normal},
  ControlSpec{ids::kFilesLabel, L"STATIC", u"Files:", SS_LEFT, 0, 8, 148, 60, 13, FontRole::Normal},
  ControlSpec{ids::kSearchLabel, L"STATIC", u"Search:", SS_LEFT, 0, 8, 322, 48, 13, FontRole::Normal},
  ControlSpec{ids::kSearchEdit, L"EDIT", u"", kTab | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 60, 319, 331, 21, FontRole::Normal},
  ControlSpec{ids::kCreateButton, L"BUTTON", u"Create MendKit", kButton, 0, 397, 256, 94, 25, FontRole::Normal},
  ControlSpec{ids::kLibraryList, L"LISTBOX", u"", kTab | WS_VSCROLL | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY, WS_EX_CLIENTEDGE, 8, 163, 383, 143, FontRole::Normal},
  ControlSpec{ids::kSilentBox, L"BUTTON", u"Silent", BS_AUTOCHECKBOX, 0, 415, 294, 58, 20, FontRole::Normal},
  ControlSpec{ids::kProgressBar, PROGRESS_CLASSW, u"", PBS_SMOOTH, 0, 8, 372, 483, 22, FontRole::Normal},
  ControlSpec{ids::kStatusLabel, L"STATIC", u"(waiting)", SS_LEFT | SS_ENDELLIPSIS, 0, 8, 400, 483, 22, FontRole::Status},
  ControlSpec{ids::kStatusBar, STATUSCLASSNAMEW, u"", 0, 0, 0, 572, 501, 19, FontRole::Normal},
};
// clang-format on

}  // namespace kv::ui::win32::kolvane
