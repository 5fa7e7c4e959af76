#include "platform/message_box.h"

#include <windows.h>

#include <array>
#include <vector>

#include "platform/win32/wide_text.h"

namespace kv::platform {
namespace {

using win32::Wide;
using win32::WideCopy;

struct Button {
  const wchar_t* label;
  QuestionAnswer answer;
};

constexpr std::array<Button, 4> kFourAnswers = {Button{L"&Yes", QuestionAnswer::Yes}, Button{L"&No", QuestionAnswer::No},
                                                Button{L"N&o to All", QuestionAnswer::NoToAll},
                                                Button{L"Yes to &All", QuestionAnswer::YesToAll}};
constexpr std::array<Button, 2> kAbortIgnore = {Button{L"&Abort", QuestionAnswer::Abort},
                                                Button{L"&Ignore", QuestionAnswer::Ignore}};

constexpr WORD kFirstButtonId = 100;
constexpr short kButtonWidth = 56;
constexpr short kGap = 6;

// An in-memory dialog template: words appended in order, items aligned on DWORDs.
class DialogTemplate {
 public:
  void Align() {
    if (words_.size() % 2) words_.push_back(0);
  }
  void Word(WORD w) { words_.push_back(w); }
  void DWord(DWORD d) {
    Word(LOWORD(d));
    Word(HIWORD(d));
  }
  void Text(const std::wstring& s) {
    for (wchar_t c : s) Word(static_cast<WORD>(c));
    Word(0);
  }
  void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD class_atom, const std::wstring& text) {
    Align();
    DWord(style | WS_CHILD | WS_VISIBLE);
    DWord(0);
    for (short v : {x, y, cx, cy}) Word(static_cast<WORD>(v));
    Word(id);
    Word(0xFFFF);
    Word(class_atom);
    Text(text);
    Word(0);  // no creation data
  }
  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  std::vector<WORD> words_;
};

INT_PTR CALLBACK ButtonsDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND) {
    const WORD id = LOWORD(wparam);
    if (id == IDCANCEL) EndDialog(dialog, -1);
    if (id >= kFirstButtonId) EndDialog(dialog, id - kFirstButtonId);
    return TRUE;
  }
  return FALSE;
}

template <std::size_t N>
QuestionAnswer AskWithButtons(const std::u16string& caption, const std::u16string& text,
                              const std::array<Button, N>& buttons) {
  const short width = static_cast<short>(N * (kButtonWidth + kGap) + kGap);
  const short dialog_width = width < 240 ? 240 : width;
  DialogTemplate t;
  t.DWord(DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU);
  t.DWord(0);
  t.Word(static_cast<WORD>(N + 1));
  for (short v : {short(0), short(0), dialog_width, short(82)}) t.Word(static_cast<WORD>(v));
  t.Word(0);  // no menu
  t.Word(0);  // standard class
  t.Text(WideCopy(caption));
  t.Word(8);
  t.Text(L"MS Shell Dlg");
  t.Item(SS_LEFT, kGap, kGap, static_cast<short>(dialog_width - 2 * kGap), 48, 0xFFFF, 0x0082,
         WideCopy(text));
  for (std::size_t i = 0; i < N; ++i) {
    const auto x = static_cast<short>(kGap + i * (kButtonWidth + kGap));
    t.Item((i == 0 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | WS_TABSTOP, x, 60, kButtonWidth, 14,
           static_cast<WORD>(kFirstButtonId + i), 0x0080, buttons[i].label);
  }
  const INT_PTR pressed = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.get(), GetActiveWindow(),
                                                  ButtonsDialogProc, 0);
  if (pressed < 0 || static_cast<std::size_t>(pressed) >= N) return QuestionAnswer::Closed;
  return buttons[static_cast<std::size_t>(pressed)].answer;
}

QuestionAnswer AskAbortRetryIgnore(const std::u16string& caption, const std::u16string& text) {
  switch (MessageBoxW(GetActiveWindow(), Wide(text), Wide(caption), MB_ABORTRETRYIGNORE | MB_ICONQUESTION)) {
    case IDABORT: return QuestionAnswer::Abort;
    case IDRETRY: return QuestionAnswer::Retry;
    case IDIGNORE: return QuestionAnswer::Ignore;
    default: return QuestionAnswer::Closed;
  }
}

}  // namespace

QuestionAnswer AskQuestion(const std::u16string& caption, const std::u16string& text, QuestionButtons buttons) {
  switch (buttons) {
    case QuestionButtons::YesNoNoToAllYesToAll: return AskWithButtons(caption, text, kFourAnswers);
    case QuestionButtons::AbortIgnore: return AskWithButtons(caption, text, kAbortIgnore);
    case QuestionButtons::AbortRetryIgnore: return AskAbortRetryIgnore(caption, text);
  }
  return QuestionAnswer::Closed;
}

}  // namespace kv::platform
