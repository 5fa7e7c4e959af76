#pragma once
// Message boxes, the save-file dialog, the folder picker and the message pump of controls/controls.h
// over the real system dialogs.
#include <windows.h>

#include <string>

#include "controls/controls.h"

namespace kv::ui::win32 {

// MessageBoxW owned by the given window. The four-answer overwrite question (Yes, No, No to
// all, Yes to all) has no MessageBoxW form and is a task dialog with those four buttons.
class WinMessageBoxes final : public MessageBoxes {
 public:
  explicit WinMessageBoxes(HWND owner = nullptr) : owner_(owner) {}
  void set_owner(HWND owner) { owner_ = owner; }
  MessageAnswer Show(const std::u16string& text, const std::u16string& caption, MessageKind kind,
                     MessageButtons buttons) override;

 private:
  HWND owner_;
};

// Whether the save dialog asks before it gives the name of a file that exists already.
enum class ExistingFile { Ask, Replace };

// GetSaveFileNameW with one filter ("SFX Application|*.exe" style text), a default extension
// (without the dot) and, with ExistingFile::Ask, the question before an existing file is
// replaced (ExistingFile::Replace gives the name at once, for files that are only ever rewritten
// whole, such as a log).
class WinSaveDialog final : public SaveDialog {
 public:
  WinSaveDialog(HWND owner, std::u16string filter, std::u16string default_extension, ExistingFile existing)
      : owner_(owner),
        filter_(std::move(filter)),
        default_extension_(std::move(default_extension)),
        existing_(existing) {}
  std::optional<std::u16string> Execute() override;
  // Put into the name field when the dialog opens.
  void SuggestName(const std::u16string& name) override { suggested_ = name; }

 private:
  HWND owner_;
  std::u16string filter_;
  std::u16string default_extension_;
  ExistingFile existing_;
  std::u16string suggested_;
};

// SHBrowseForFolderW: the newer resizable dialog, file-system folders only, no new-folder button,
// no root restriction; the folder given to StartAt preselected, if any. The answer is the
// folder as the shell gives it.
class WinFolderPicker final : public FolderPicker {
 public:
  explicit WinFolderPicker(HWND owner = nullptr) : owner_(owner) {}
  std::optional<std::u16string> Browse(const std::u16string& caption) override;
  void StartAt(const std::u16string& folder) override { start_ = folder; }

 private:
  HWND owner_;
  std::u16string start_;
};

// Processes pending messages (dialog keys included) without waiting; remembers a WM_QUIT
// taken from the queue as the terminate request and posts it again for the main loop. The
// application's main window tells the pump its handle once it exists (set_owner), so that
// programs started from a handler are owned by it.
class WinMessagePump final : public MessagePump {
 public:
  void ProcessMessages() override;
  bool TerminateRequested() const override { return terminate_; }
  void RequestTerminate() { terminate_ = true; }
  void set_owner(HWND owner) { owner_ = owner; }
  void* OwnerWindow() const override { return owner_; }

 private:
  bool terminate_ = false;
  HWND owner_ = nullptr;
};

// Runs the user-interface loop until WM_QUIT; Tab, Enter and Escape work as in dialogs.
int RunMessageLoop();

// True when a message was handled as a dialog key by the active top-level window.
bool TranslateDialogKeys(MSG& message);

}  // namespace kv::ui::win32
