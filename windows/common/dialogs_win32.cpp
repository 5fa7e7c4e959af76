#include "windows/common/dialogs_win32.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <array>
#include <vector>

#include "platform/win32/wide_text.h"

namespace kv::ui::win32 {
namespace {

using platform::win32::Wide;

struct KindStyle {
  MessageKind kind;
  UINT style;
};
constexpr std::array kKindStyles{KindStyle{MessageKind::Information, MB_ICONINFORMATION},
                                 KindStyle{MessageKind::Warning, MB_ICONWARNING},
                                 KindStyle{MessageKind::Error, MB_ICONERROR},
                                 KindStyle{MessageKind::Confirmation, MB_ICONQUESTION}};

struct ButtonsStyle {
  MessageButtons buttons;
  UINT style;
};
constexpr std::array kButtonStyles{ButtonsStyle{MessageButtons::Ok, MB_OK},
                                   ButtonsStyle{MessageButtons::YesNo, MB_YESNO},
                                   ButtonsStyle{MessageButtons::YesNoCancel, MB_YESNOCANCEL},
                                   ButtonsStyle{MessageButtons::OkCancel, MB_OKCANCEL},
                                   ButtonsStyle{MessageButtons::AbortRetryIgnore, MB_ABORTRETRYIGNORE}};

struct ResultAnswer {
  int result;
  MessageAnswer answer;
};
constexpr std::array kAnswers{ResultAnswer{IDOK, MessageAnswer::Ok},       ResultAnswer{IDCANCEL, MessageAnswer::Cancel},
                              ResultAnswer{IDYES, MessageAnswer::Yes},     ResultAnswer{IDNO, MessageAnswer::No},
                              ResultAnswer{IDABORT, MessageAnswer::Abort}, ResultAnswer{IDRETRY, MessageAnswer::Retry},
                              ResultAnswer{IDIGNORE, MessageAnswer::Ignore}};

// Button ids of the four-answer question, beyond the standard ones.
constexpr int kIdNoToAll = 100;
constexpr int kIdYesToAll = 101;

using TaskDialogIndirectFn = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);

MessageAnswer FourAnswerQuestion(HWND owner, const std::u16string& text, const std::u16string& caption) {
  const HMODULE controls = GetModuleHandleW(L"comctl32.dll");
  const auto task_dialog = reinterpret_cast<TaskDialogIndirectFn>(
      reinterpret_cast<void*>(controls ? GetProcAddress(controls, "TaskDialogIndirect") : nullptr));
  if (task_dialog == nullptr) {
    // Without task dialogs: Yes/No/Cancel, Cancel standing for "No to all".
    const int result = MessageBoxW(owner, Wide(text), Wide(caption), MB_YESNOCANCEL | MB_ICONQUESTION);
    return result == IDYES ? MessageAnswer::Yes : result == IDNO ? MessageAnswer::No : MessageAnswer::NoToAll;
  }
  const std::array<TASKDIALOG_BUTTON, 4> buttons{TASKDIALOG_BUTTON{IDYES, L"&Yes"}, TASKDIALOG_BUTTON{IDNO, L"&No"},
                                                 TASKDIALOG_BUTTON{kIdNoToAll, L"N&o to all"},
                                                 TASKDIALOG_BUTTON{kIdYesToAll, L"Yes to &all"}};
  TASKDIALOGCONFIG config{};
  config.cbSize = sizeof(config);
  config.hwndParent = owner;
  config.pszWindowTitle = Wide(caption);
  config.pszMainIcon = TD_WARNING_ICON;
  config.pszContent = Wide(text);
  config.cButtons = static_cast<UINT>(buttons.size());
  config.pButtons = buttons.data();
  config.nDefaultButton = IDYES;
  int pressed = IDNO;
  if (FAILED(task_dialog(&config, &pressed, nullptr, nullptr))) return MessageAnswer::No;
  switch (pressed) {
    case IDYES: return MessageAnswer::Yes;
    case kIdYesToAll: return MessageAnswer::YesToAll;
    case kIdNoToAll: return MessageAnswer::NoToAll;
    default: return MessageAnswer::No;
  }
}

}  // namespace

MessageAnswer WinMessageBoxes::Show(const std::u16string& text, const std::u16string& caption, MessageKind kind,
                                    MessageButtons buttons) {
  if (buttons == MessageButtons::YesNoNoToAllYesToAll) return FourAnswerQuestion(owner_, text, caption);
  UINT style = MB_OK;
  for (const auto& entry : kKindStyles)
    if (entry.kind == kind) style = entry.style;
  for (const auto& entry : kButtonStyles)
    if (entry.buttons == buttons) style |= entry.style;
  const int result = MessageBoxW(owner_, Wide(text), Wide(caption), style);
  for (const auto& entry : kAnswers)
    if (entry.result == result) return entry.answer;
  return MessageAnswer::Cancel;
}

std::optional<std::u16string> WinSaveDialog::Execute() {
  // "Name|*.ext" becomes "Name\0*.ext\0\0".
  std::u16string filter = filter_;
  for (char16_t& c : filter)
    if (c == u'|') c = u'\0';
  filter.push_back(u'\0');
  filter.push_back(u'\0');
  std::vector<wchar_t> name(32768, L'\0');
  std::copy_n(suggested_.begin(), std::min(suggested_.size(), name.size() - 1), name.begin());
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner_;
  dialog.lpstrFilter = Wide(filter);
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = name.data();
  dialog.nMaxFile = static_cast<DWORD>(name.size());
  dialog.lpstrDefExt = default_extension_.empty() ? nullptr : Wide(default_extension_);
  dialog.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER | OFN_ENABLESIZING;
  if (existing_ == ExistingFile::Ask) dialog.Flags |= OFN_OVERWRITEPROMPT;
  if (!GetSaveFileNameW(&dialog)) return std::nullopt;
  return std::u16string(reinterpret_cast<const char16_t*>(name.data()));
}

namespace {

int CALLBACK SelectStartFolder(HWND dialog, UINT message, LPARAM, LPARAM start) noexcept {
  if (message == BFFM_INITIALIZED && start != 0) SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, start);
  return 0;
}

}  // namespace

std::optional<std::u16string> WinFolderPicker::Browse(const std::u16string& caption) {
  // The shell selects "C:\Libraries" but not "C:\Libraries\"; a drive keeps its "\".
  std::u16string start = start_;
  while (start.size() > 3 && start.back() == u'\\') start.pop_back();
  BROWSEINFOW info{};
  info.hwndOwner = owner_;
  info.lpszTitle = Wide(caption);
  info.ulFlags = BIF_NEWDIALOGSTYLE | BIF_RETURNONLYFSDIRS | BIF_NONEWFOLDERBUTTON;
  if (!start.empty()) {
    info.lpfn = &SelectStartFolder;
    info.lParam = reinterpret_cast<LPARAM>(Wide(start));
  }
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
  if (chosen == nullptr) return std::nullopt;
  std::vector<wchar_t> path(MAX_PATH * 4, L'\0');
  const bool ok = SHGetPathFromIDListW(chosen, path.data()) != FALSE;
  CoTaskMemFree(chosen);
  if (!ok) return std::nullopt;
  return std::u16string(reinterpret_cast<const char16_t*>(path.data()));
}

bool TranslateDialogKeys(MSG& message) {
  HWND top = GetAncestor(message.hwnd, GA_ROOT);
  return top != nullptr && IsDialogMessageW(top, &message) != FALSE;
}

void WinMessagePump::ProcessMessages() {
  MSG message{};
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      terminate_ = true;
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (TranslateDialogKeys(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

int RunMessageLoop() {
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (TranslateDialogKeys(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace kv::ui::win32
