#pragma once
// Child-window identifiers of the programs' windows. The end-to-end driver finds controls by
// these numbers (GetDlgItem), so they are part of what the programs promise to it.

namespace kv::ui::ids {

// Kolvane main window.
inline constexpr int kFolderEdit = 101;      // Edit1
inline constexpr int kBrowseButton = 102;    // Button2
inline constexpr int kLibraryList = 103;     // ListBox1
inline constexpr int kCreateButton = 104;    // Button6
inline constexpr int kSilentBox = 105;       // CheckBox1
inline constexpr int kSearchEdit = 106;      // Edit2
inline constexpr int kSelectAllButton = 107; // Button1
inline constexpr int kSelectNoneButton = 108;// Button4
inline constexpr int kSaveLogButton = 109;   // Button5
inline constexpr int kRegisterButton = 110;  // Button3
inline constexpr int kProgressBar = 111;     // Gauge1
inline constexpr int kStatusLabel = 112;     // Label4
inline constexpr int kLogList = 113;         // Memo1
inline constexpr int kStatusBar = 114;       // StatusBar1
inline constexpr int kBanner = 115;          // Image1
inline constexpr int kFolderLabel = 116;     // Label2
inline constexpr int kFilesLabel = 117;      // Label3
inline constexpr int kSearchLabel = 118;     // Label1
// The "Unregister" entry of the Register button's drop-down menu and of the list's right-click
// menu: a menu command, sent as WM_COMMAND with this id.
inline constexpr int kUnregisterCommand = 119;

// Package dialog.
inline constexpr int kNameEdit = 201;        // edName
inline constexpr int kPathEdit = 202;        // edPath
inline constexpr int kDescMemo = 203;        // meDesc
inline constexpr int kPackProgress = 204;    // pbProgress
inline constexpr int kPackLabel = 205;       // Label3
inline constexpr int kBuildButton = 206;     // Button1
inline constexpr int kCancelButton = 207;    // Button2
inline constexpr int kPackImage = 208;       // Image1
inline constexpr int kNameLabel = 209;
inline constexpr int kPathLabel = 210;
inline constexpr int kDescLabel = 211;

// Installer window.
inline constexpr int kInstallPicture = 301;  // Image1
inline constexpr int kTitleLabel = 302;      // Label4
inline constexpr int kInfoMemo = 303;        // Memo1
inline constexpr int kDestLabel = 304;       // Label1
inline constexpr int kDestEdit = 305;        // edPath
inline constexpr int kDestButton = 306;      // bnSelectDestPath
inline constexpr int kOverwriteBox = 307;    // cboverwrite
inline constexpr int kProcessingLabel = 308; // Label2
inline constexpr int kInstallProgress = 309; // pbProgress
inline constexpr int kInstallButton = 310;   // bnExtract
inline constexpr int kInstallStatusBar = 311;// StatusBar1

}  // namespace kv::ui::ids
