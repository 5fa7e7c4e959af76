#pragma once
// Small interfaces for the controls and dialogs that the window handlers touch. The Win32
// layer (windows) implements them over real windows; tests implement them in memory and
// answer message boxes and pickers from a script. No <windows.h> here.
#include <optional>
#include <string>

namespace kv::ui {

// A text-bearing control: label, edit field, status panel.
class TextControl {
 public:
  virtual ~TextControl() = default;
  virtual std::u16string Text() const = 0;
  virtual void SetText(const std::u16string& text) = 0;
  virtual void SetFocus() {}
};

// A control that can be enabled or disabled (buttons, and any other control a run locks).
class EnableControl {
 public:
  virtual ~EnableControl() = default;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
};

class TickBox {
 public:
  virtual ~TickBox() = default;
  virtual bool Checked() const = 0;
  virtual void SetChecked(bool checked) = 0;
};

// Progress bar with the range 0..100.
class ProgressBar {
 public:
  virtual ~ProgressBar() = default;
  virtual int Position() const = 0;
  virtual void SetPosition(int position) = 0;
};

// An unsorted list of names, each with a tick, and one selected entry or none (-1).
class CheckList {
 public:
  virtual ~CheckList() = default;
  virtual int Count() const = 0;
  virtual std::u16string Name(int index) const = 0;
  virtual bool Checked(int index) const = 0;
  virtual void SetChecked(int index, bool checked) = 0;
  virtual void Clear() = 0;
  virtual void Add(const std::u16string& name) = 0;  // added unticked
  virtual int SelectedIndex() const = 0;
  virtual void SetSelectedIndex(int index) = 0;
  // A short remark shown beside the entry's name (e.g. what an inspection found); the name
  // itself stays as it was added. Lists that show no remarks ignore it.
  virtual void SetNote(int /*index*/, const std::u16string& /*note*/) {}
};

// A list of text lines that only grows (the log).
class LineList {
 public:
  virtual ~LineList() = default;
  virtual int Count() const = 0;
  virtual std::u16string Line(int index) const = 0;
  virtual void Append(const std::u16string& line) = 0;
};

enum class MessageKind { Information, Warning, Error, Confirmation };
enum class MessageButtons { Ok, YesNo, YesNoCancel, OkCancel, AbortRetryIgnore, YesNoNoToAllYesToAll };
enum class MessageAnswer { Ok, Cancel, Yes, No, NoToAll, YesToAll, Abort, Retry, Ignore };

// Modal message boxes.
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  virtual MessageAnswer Show(const std::u16string& text, const std::u16string& caption, MessageKind kind,
                             MessageButtons buttons) = 0;
};

// A save-file dialog: the chosen file, or nothing when the user cancelled.
class SaveDialog {
 public:
  virtual ~SaveDialog() = default;
  virtual std::optional<std::u16string> Execute() = 0;
  // The file name the next Execute offers (empty: none). Dialogs that offer nothing ignore it.
  virtual void SuggestName(const std::u16string& /*name*/) {}
};

// The browse-for-folder dialog: the chosen folder, or nothing when cancelled.
class FolderPicker {
 public:
  virtual ~FolderPicker() = default;
  virtual std::optional<std::u16string> Browse(const std::u16string& caption) = 0;
  // The folder the next Browse opens at (empty: the picker's own start). Pickers that cannot
  // preselect ignore it.
  virtual void StartAt(const std::u16string& /*folder*/) {}
};

// The user-interface loop's step that processes pending window messages, and the
// application's terminate-requested flag (set when the main window is closed). Handlers run
// from ProcessMessages show their own errors (standard error box); nothing propagates out.
class MessagePump {
 public:
  virtual ~MessagePump() = default;
  virtual void ProcessMessages() = 0;
  virtual bool TerminateRequested() const = 0;
  // The application's main window as an opaque handle (HWND on Windows), the owner of windows
  // that programs started from a handler may show; nothing when there is none.
  virtual void* OwnerWindow() const { return nullptr; }
};

}  // namespace kv::ui
