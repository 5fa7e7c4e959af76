#include "windows/kolvane/package_dialog.h"

#include <commctrl.h>

#include <array>
#include <stdexcept>

#include "windows/common/drawing.h"
#include "windows/control_ids.h"
#include "windows/kolvane/main_window.h"

namespace kv::ui::win32 {
namespace {

constexpr int kClientWidth = 436;
constexpr int kClientHeight = 304;
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT;

constexpr std::array kFonts{FontSpec{L"Tahoma", -11, false}};
constexpr std::array kPanels{PanelSpec{8, 8, 420, 193}, PanelSpec{8, 208, 420, 54}};

// Table order is the tab order. Positions inside Panel1 (8, 8) and Panel2 (8, 208) are
// given here in client coordinates.
// clang-format off
constexpr std::array kControls{
  ControlSpec{ids::kNameLabel, L"STATIC", u"MendKit name:", SS_LEFTNOWORDWRAP, 0, 17, 24, 86, 13, FontRole::Normal},
  ControlSpec{ids::kNameEdit, L"EDIT", u"My MendKit", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 104, 21, 305, 21, FontRole::Normal},
  ControlSpec{ids::kPathLabel, L"STATIC", u"Default path:", SS_LEFTNOWORDWRAP, 0, 17, 59, 86, 13, FontRole::Normal},
  ControlSpec{ids::kPathEdit, L"EDIT", u"C:\\Program Files\\My Libraries", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 104, 56, 305, 21, FontRole::Normal},
  ControlSpec{ids::kDescLabel, L"STATIC", u"Description:", SS_LEFTNOWORDWRAP, 0, 17, 90, 86, 13, FontRole::Normal},
  ControlSpec{ids::kDescMemo, L"EDIT", u"New libraries for better performance. Several bugs fixed.", WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL, WS_EX_CLIENTEDGE, 104, 91, 305, 99, FontRole::Normal},
  ControlSpec{ids::kPackImage, L"STATIC", u"", SS_OWNERDRAW, 0, 13, 113, 77, 77, FontRole::Normal},
  ControlSpec{ids::kPackProgress, PROGRESS_CLASSW, u"", PBS_SMOOTH, 0, 17, 216, 400, 25, FontRole::Normal},
  ControlSpec{ids::kPackLabel, L"STATIC", u"Idle.", SS_LEFT | SS_PATHELLIPSIS, 0, 17, 244, 400, 13, FontRole::Normal},
  ControlSpec{ids::kBuildButton, L"BUTTON", u"Build", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 353, 268, 75, 25, FontRole::Normal},
  ControlSpec{ids::kCancelButton, L"BUTTON", u"Cancel", WS_TABSTOP | BS_PUSHBUTTON, 0, 264, 268, 75, 25, FontRole::Normal},
};
// clang-format on

}  // namespace

PackageDialog::PackageDialog(MainWindow& owner, WinMessagePump& pump, const Palette& palette,
                             builder::BuildPlaces places)
    : SkinnedWindow({.controls = kControls,
                     .fonts = kFonts,
                     .panels = kPanels,
                     .read_only_fields = {},
                     .default_button = ids::kBuildButton,
                     .status_bar = 0},
                    palette),
      owner_(owner),
      pump_(pump),
      places_(std::move(places)) {}

std::u16string PackageDialog::ApplicationTitle() const { return kKolvaneTitle; }

void PackageDialog::Create() {
  const SIZE size = WindowSizeFor(kClientWidth, kClientHeight, kStyle, kExStyle, WindowDpi(owner_.window()));
  CreateBound(L"KolvaneMkForm", u"Create MendKit Lib Installer...", kStyle, kExStyle, size.cx, size.cy,
              owner_.window(), nullptr, nullptr);
  if (window() == nullptr) throw std::runtime_error("Cannot create the package dialog");
}

void PackageDialog::BindControls() {
  const auto item = [this](int id) { return GetDlgItem(window(), id); };
  name_ = WinText(item(ids::kNameEdit));
  default_path_ = WinText(item(ids::kPathEdit));
  description_ = WinText(item(ids::kDescMemo));
  activity_ = WinText(item(ids::kPackLabel));
  progress_ = WinProgress(item(ids::kPackProgress));
  build_button_ = WinButton(item(ids::kBuildButton));
  cancel_button_ = WinButton(item(ids::kCancelButton));
  name_enabling_ = WinEnabling(item(ids::kNameEdit));
  default_path_enabling_ = WinEnabling(item(ids::kPathEdit));
  description_enabling_ = WinEnabling(item(ids::kDescMemo));
  boxes_.set_owner(window());
  SendMessageW(item(ids::kPackProgress), PBM_SETRANGE32, 0, 100);
  SendMessageW(item(ids::kPackProgress), PBM_SETSTEP, 1, 0);
  save_package_ = std::make_unique<WinSaveDialog>(window(), u"SFX Application|*.exe", u"exe", ExistingFile::Ask);
  creation_ = std::make_unique<builder::PackageCreation>(
      builder::PackageDialogControls{name_, default_path_, description_, progress_, activity_, build_button_,
                                     cancel_button_, name_enabling_, default_path_enabling_,
                                     description_enabling_},
      builder::PackageDialogServices{boxes_, *save_package_, pump_, [this] { Close(); }, kKolvaneTitle},
      places_);
}

void PackageDialog::OnCreated() { creation_->ShowInitialState(); }

void PackageDialog::ShowModal() {
  CenterWindow(window(), owner_.window());
  EnableWindow(owner_.window(), FALSE);
  ShowWindow(window(), SW_SHOW);
  SetFocus(GetDlgItem(window(), ids::kNameEdit));
  modal_ = true;
  MSG message{};
  while (modal_ && GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (TranslateDialogKeys(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  if (message.message == WM_QUIT) PostQuitMessage(static_cast<int>(message.wParam));
  EnableWindow(owner_.window(), TRUE);
  ShowWindow(window(), SW_HIDE);
  SetActiveWindow(owner_.window());
}

void PackageDialog::Close() { modal_ = false; }

void PackageDialog::OnCommand(int id, int code) {
  if (code != BN_CLICKED) return;
  if (id == ids::kBuildButton) Build();
  if (id == ids::kCancelButton || id == IDCANCEL) Cancel();
}

LRESULT PackageDialog::HandleOwnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_CLOSE) {
    // A build in progress closes the dialog itself when it ends.
    if (!creation_->Building()) Close();  // hidden, never destroyed: the fields keep what the user typed
    return 0;
  }
  return DefWindowProcW(window(), message, wparam, lparam);
}

void PackageDialog::DrawItem(const DRAWITEMSTRUCT& item) {
  // Image1, the one owner-drawn control: a closed parcel, the package about to be built.
  const HDC dc = item.hDC;
  const RECT area = item.rcItem;
  const int size = area.right - area.left;
  const auto at = [&](int v) { return MulDiv(v, size, 77); };
  SetDCBrushColor(dc, skin().palette().panel);
  FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  const RECT box{area.left + at(10), area.top + at(26), area.left + at(67), area.top + at(70)};
  GradientRect(dc, box, RGB(0x3F, 0xB8, 0xB0), RGB(0x0E, 0x5E, 0x63), true);
  const RECT lid{area.left + at(6), area.top + at(14), area.left + at(71), area.top + at(27)};
  GradientRect(dc, lid, RGB(0x9F, 0xE4, 0xDE), RGB(0x5C, 0xCB, 0xC2), true);
  const RECT band{area.left + at(34), area.top + at(14), area.left + at(43), area.top + at(70)};
  SetDCBrushColor(dc, RGB(0xF2, 0xC9, 0x4C));
  FillRect(dc, &band, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void PackageDialog::Build() { creation_->Build(); }

void PackageDialog::Cancel() { creation_->Cancel(); }

}  // namespace kv::ui::win32
