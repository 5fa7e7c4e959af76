#include "windows/common/controls_win32.h"

#include <commctrl.h>
#include <windowsx.h>

#include <vector>

#include "platform/win32/wide_text.h"
#include "windows/common/common_controls.h"

namespace kv::ui::win32 {
namespace {

using platform::win32::Wide;

std::u16string ListText(HWND list, int index) {
  const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == LB_ERR) return {};
  std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1, L'\0');
  SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
  return std::u16string(buffer.begin(), buffer.begin() + length);
}

constexpr UINT_PTR kToggleSubclass = 1;

LRESULT CALLBACK CheckListProcedure(HWND list, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                    DWORD_PTR) noexcept {
  WinCheckList checks(list);
  if (message == WM_LBUTTONDOWN) {
    const LRESULT hit = SendMessageW(list, LB_ITEMFROMPOINT, 0, lparam);
    const int height = static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
    if (HIWORD(hit) == 0 && GET_X_LPARAM(lparam) < height + 2) checks.ToggleAt(LOWORD(hit));
  } else if (message == WM_LBUTTONDBLCLK) {
    const LRESULT hit = SendMessageW(list, LB_ITEMFROMPOINT, 0, lparam);
    if (HIWORD(hit) == 0) checks.ToggleAt(LOWORD(hit));
  } else if (message == WM_KEYDOWN && wparam == VK_SPACE) {
    if (const int index = checks.SelectedIndex(); index >= 0) checks.ToggleAt(index);
    return 0;
  }
  return DefaultSubclassProcedure(list, message, wparam, lparam);
}

}  // namespace

namespace {

// Halfway between two colours: dimmed text on its field.
COLORREF Blend(COLORREF a, COLORREF b) {
  return RGB((GetRValue(a) + GetRValue(b)) / 2, (GetGValue(a) + GetGValue(b)) / 2, (GetBValue(a) + GetBValue(b)) / 2);
}

}  // namespace

std::u16string WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, buffer.data(), length + 1);
  return std::u16string(buffer.begin(), buffer.begin() + copied);
}

void WinText::SetText(const std::u16string& text) { SetWindowTextW(control_, Wide(text)); }

std::u16string WinStatusPanel::Text() const {
  const LRESULT length = LOWORD(SendMessageW(bar_, SB_GETTEXTLENGTHW, 255, 0));
  std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1, L'\0');
  SendMessageW(bar_, SB_GETTEXTW, 255, reinterpret_cast<LPARAM>(buffer.data()));
  return std::u16string(buffer.begin(), buffer.begin() + length);
}

void WinStatusPanel::SetText(const std::u16string& text) {
  SendMessageW(bar_, SB_SETTEXTW, 255 | SBT_NOBORDERS, reinterpret_cast<LPARAM>(Wide(text)));
  // Part 0 too, which the simple panel hides: WM_GETTEXT reads part 0, so other programs (the
  // end-to-end driver) read what the bar shows without pointers into this process.
  SetWindowTextW(bar_, Wide(text));
}

std::u16string WinCheckList::Name(int index) const { return ListText(control_, index); }

bool WinCheckList::Checked(int index) const {
  const LRESULT data = SendMessageW(control_, LB_GETITEMDATA, static_cast<WPARAM>(index), 0);
  return data != LB_ERR && data != 0;
}

void WinCheckList::SetChecked(int index, bool checked) {
  SendMessageW(control_, LB_SETITEMDATA, static_cast<WPARAM>(index), checked ? 1 : 0);
  RECT item{};
  if (SendMessageW(control_, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) != LB_ERR)
    InvalidateRect(control_, &item, FALSE);
}

void WinCheckList::Clear() {
  SendMessageW(control_, LB_RESETCONTENT, 0, 0);
  notes_.clear();
}

void WinCheckList::Add(const std::u16string& name) {
  const LRESULT index = SendMessageW(control_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(name)));
  if (index >= 0) SendMessageW(control_, LB_SETITEMDATA, static_cast<WPARAM>(index), 0);
}

void WinCheckList::SetNote(int index, const std::u16string& note) {
  if (index < 0 || index >= Count()) return;
  if (notes_.size() <= static_cast<std::size_t>(index)) notes_.resize(static_cast<std::size_t>(index) + 1);
  notes_[static_cast<std::size_t>(index)] = note;
  RECT item{};
  if (SendMessageW(control_, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) != LB_ERR)
    InvalidateRect(control_, &item, FALSE);
}

void WinCheckList::ToggleAt(int index) {
  if (index < 0 || index >= Count()) return;
  SetChecked(index, !Checked(index));
}

void WinCheckList::Draw(const DRAWITEMSTRUCT& item, COLORREF field, COLORREF text, COLORREF accent,
                        COLORREF accent_text) const {
  if (item.itemID == static_cast<UINT>(-1)) return;
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  const HDC dc = item.hDC;
  RECT area = item.rcItem;
  SetDCBrushColor(dc, selected ? accent : field);
  FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));

  const int box = area.bottom - area.top - 4;
  RECT tick{area.left + 2, area.top + 2, area.left + 2 + box, area.top + 2 + box};
  const bool checked = item.itemData != 0;
  DrawFrameControl(dc, &tick, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT | (checked ? DFCS_CHECKED : 0));

  const std::u16string name = ListText(item.hwndItem, static_cast<int>(item.itemID));
  RECT label{tick.right + 4, area.top, area.right, area.bottom};
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, selected ? accent_text : text);
  const std::size_t at = item.itemID;
  const std::u16string note = at < notes_.size() ? notes_[at] : std::u16string();
  if (!note.empty()) {
    // The note takes the right part of the row, dimmed; the name keeps what it needs first.
    SIZE name_size{};
    GetTextExtentPoint32W(dc, Wide(name), static_cast<int>(name.size()), &name_size);
    RECT note_area{label.left + name_size.cx + 12, area.top, area.right - 4, area.bottom};
    SetTextColor(dc, selected ? accent_text : Blend(text, field));
    DrawTextW(dc, Wide(note), static_cast<int>(note.size()), &note_area,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_RIGHT | DT_END_ELLIPSIS);
    SetTextColor(dc, selected ? accent_text : text);
  }
  DrawTextW(dc, Wide(name), static_cast<int>(name.size()), &label, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  if ((item.itemState & ODS_FOCUS) != 0) DrawFocusRect(dc, &area);
}

std::u16string WinLineList::Line(int index) const { return ListText(control_, index); }

void WinLineList::Append(const std::u16string& line) {
  const LRESULT index = SendMessageW(control_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(line)));
  if (index >= 0) SendMessageW(control_, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
}

namespace {

std::vector<std::u16string> SplitLines(const std::u16string& text) {
  std::vector<std::u16string> lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(u"\r\n", start);
    lines.push_back(text.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start));
    if (end == std::u16string::npos) return lines;
    start = end + 2;
  }
}

}  // namespace

int WinMemoLines::Count() const {
  const std::u16string text = WindowText(control_);
  return text.empty() ? 0 : static_cast<int>(SplitLines(text).size());
}

std::u16string WinMemoLines::Line(int index) const {
  const auto lines = SplitLines(WindowText(control_));
  return index >= 0 && index < static_cast<int>(lines.size()) ? lines[static_cast<std::size_t>(index)] : u"";
}

void WinMemoLines::Append(const std::u16string& line) {
  const std::u16string text = WindowText(control_);
  WinText(control_).SetText(text.empty() ? line : text + u"\r\n" + line);
}

void EnableCheckListToggling(HWND list) { SetControlSubclass(list, &CheckListProcedure, kToggleSubclass, 0); }

}  // namespace kv::ui::win32
