#include "windows/mendkit/installer_window.h"

#include <commctrl.h>

#include <array>
#include <stdexcept>

#include "windows/common/drawing.h"
#include "windows/common/program_path.h"
#include "windows/control_ids.h"
#include "installer/unattended_uninstall.h"

namespace kv::ui::win32 {
namespace {

constexpr int kClientWidth = 410;
constexpr int kClientHeight = 552;
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;

// Indexed by FontRole: Normal, Status (unused), Title, Heading, Big.
constexpr std::array kFonts{FontSpec{L"Tahoma", -11, false}, FontSpec{L"Tahoma", -11, false},
                            FontSpec{L"Calibri", -37, true}, FontSpec{L"Calibri", -15, false},
                            FontSpec{L"Calibri", -27, true}};

// Table order is the tab order.
// clang-format off
constexpr std::array kControls{
  ControlSpec{ids::kInstallPicture, L"STATIC", u"", SS_OWNERDRAW, 0, 120, 0, 154, 154, FontRole::Normal},
  ControlSpec{ids::kTitleLabel, L"STATIC", u"MendKit", SS_LEFTNOWORDWRAP, 0, 136, 160, 264, 45, FontRole::Title},
  ControlSpec{ids::kInfoMemo, L"EDIT", u"", WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, WS_EX_CLIENTEDGE, 8, 211, 391, 100, FontRole::Normal},
  ControlSpec{ids::kDestLabel, L"STATIC", u"Select destination folder", SS_LEFT, 0, 8, 318, 300, 19, FontRole::Heading},
  ControlSpec{ids::kDestEdit, L"EDIT", u"", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 8, 343, 352, 24, FontRole::Normal},
  ControlSpec{ids::kDestButton, L"BUTTON", u"...", WS_TABSTOP | BS_PUSHBUTTON, 0, 368, 343, 31, 24, FontRole::Normal},
  ControlSpec{ids::kOverwriteBox, L"BUTTON", u"Overwrite existing files", WS_TABSTOP | BS_AUTOCHECKBOX, 0, 8, 375, 300, 21, FontRole::Heading},
  ControlSpec{ids::kProcessingLabel, L"STATIC", u"Processing:", SS_LEFT | SS_PATHELLIPSIS, 0, 8, 403, 391, 19, FontRole::Heading},
  ControlSpec{ids::kInstallProgress, PROGRESS_CLASSW, u"", PBS_SMOOTH, 0, 8, 424, 391, 17, FontRole::Normal},
  ControlSpec{ids::kInstallButton, L"BUTTON", u"Install", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 75, 461, 262, 52, FontRole::Big},
  ControlSpec{ids::kInstallStatusBar, STATUSCLASSNAMEW, u"", 0, 0, 0, 533, 410, 19, FontRole::Normal},
};
// clang-format on

// The package's description is read-only, yet drawn as a field.
constexpr std::array kReadOnlyFields{ids::kInfoMemo};

}  // namespace

InstallerWindow::InstallerWindow(WinMessagePump& pump, bool uninstalling)
    : SkinnedWindow({.controls = kControls,
                     .fonts = kFonts,
                     .panels = {},
                     .read_only_fields = kReadOnlyFields,
                     .default_button = ids::kInstallButton,
                     .status_bar = ids::kInstallStatusBar},
                    Carbon()),
      pump_(pump),
      uninstalling_(uninstalling) {}

void InstallerWindow::Create(int show) {
  const SIZE size = WindowSizeFor(kClientWidth, kClientHeight, kStyle, kExStyle, WindowDpi(nullptr));
  CreateBound(L"MendKitMainForm",
              uninstalling_ ? u"MendKit Uninstaller (Powered by Kolvane)" : u"MendKit Installer (Powered by Kolvane)",
              kStyle, kExStyle, size.cx,
              size.cy, nullptr, LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1)), nullptr);
  if (window() == nullptr) throw std::runtime_error("Cannot create the installer window");
  if (end_requested_) {
    DestroyWindow(window());
    return;
  }
  CenterWindow(window(), nullptr);
  ShowWindow(window(), show);
  UpdateWindow(window());
}

void InstallerWindow::BindControls() {
  const auto item = [this](int id) { return GetDlgItem(window(), id); };
  package_info_ = WinMemoLines(item(ids::kInfoMemo));
  destination_ = WinText(item(ids::kDestEdit));
  processing_ = WinText(item(ids::kProcessingLabel));
  status_bar_ = WinStatusPanel(item(ids::kInstallStatusBar));
  overwrite_ = WinTickBox(item(ids::kOverwriteBox));
  progress_ = WinProgress(item(ids::kInstallProgress));
  destination_field_ = WinButton(item(ids::kDestEdit));
  browse_button_ = WinButton(item(ids::kDestButton));
  overwrite_box_ = WinButton(item(ids::kOverwriteBox));
  install_button_ = WinButton(item(ids::kInstallButton));
  boxes_.set_owner(window());
  picker_ = WinFolderPicker(window());
  SendMessageW(item(ids::kInstallStatusBar), SB_SIMPLE, TRUE, 0);
  SendMessageW(item(ids::kInstallProgress), PBM_SETRANGE32, 0, 100);
  SendMessageW(item(ids::kInstallProgress), PBM_SETSTEP, 1, 0);
  overwrite_.SetChecked(true);
  status_bar_.SetText(u"MendKit 1.0 - powered by Kolvane");
  // The close is posted, so that the window goes once the running handler has returned.
  // Empty checks take the platform's administrator check and the registration core.
  installer::InstallerServices services{boxes_,
                                        picker_,
                                        pump_,
                                        [this] { PostMessageW(window(), WM_CLOSE, 0, 0); },
                                        [this] {
                                          end_requested_ = true;
                                          pump_.RequestTerminate();
                                          PostQuitMessage(0);
                                        },
                                        {},
                                        {},
                                        kInstallerTitle};
  const installer::InstallerControls controls{package_info_,      destination_,   overwrite_,
                                              processing_,        progress_,      destination_field_,
                                              browse_button_,     overwrite_box_, install_button_};
  if (uninstalling_) {
    BindUninstall(controls, services);
    return;
  }
  installation_ = std::make_unique<installer::Installation>(controls, std::move(services), ProgramPath());
}

void InstallerWindow::BindUninstall(const installer::InstallerControls& controls,
                                    const installer::InstallerServices& services) {
  const std::u16string program = ProgramPath();
  const std::u16string folder = installer::FolderOf(program);
  SetWindowTextW(GetDlgItem(window(), ids::kInstallButton), L"Uninstall");
  SetWindowTextW(GetDlgItem(window(), ids::kDestLabel), L"Installed in");
  destination_.SetText(folder);
  uninstall_ = std::make_unique<installer::UninstallFlow>(
      controls,
      installer::UninstallWindowServices{boxes_, pump_, services.close, services.terminate,
                                         [folder, program] { installer::HandOverUninstallerRemoval(folder, program); },
                                         installer::UninstallServices{pump_, {}, {}, nullptr, {}, {}}},
      folder);
}

void InstallerWindow::OnCreated() {
  if (uninstall_) uninstall_->Show();
  else installation_->ShowPackage();
}

void InstallerWindow::OnCommand(int id, int code) {
  if (code != BN_CLICKED) return;
  if (id == ids::kInstallButton) Install();
  if (id == ids::kDestButton) ChooseDestination();
}

LRESULT InstallerWindow::HandleOwnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CLOSE:
      // FormCloseQuery: during a run the window closes once the run has ended.
      if (uninstall_ ? !uninstall_->Running() : installation_->ReadyToClose()) DestroyWindow(window());
      return 0;
    case WM_DESTROY:
      pump_.RequestTerminate();
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window(), message, wparam, lparam);
}

void InstallerWindow::DrawItem(const DRAWITEMSTRUCT& item) {
  // Image1, the one owner-drawn control: an open box with a disc rising out of it, on the dark
  // background.
  const HDC dc = item.hDC;
  const RECT area = item.rcItem;
  const int size = area.right - area.left;
  const auto at = [&](int v) { return MulDiv(v, size, 154); };
  const Palette& p = skin().palette();
  SetDCBrushColor(dc, p.window);
  FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  FilledEllipse(dc, area.left + at(12), area.top + at(12), area.left + at(142), area.top + at(142),
                Mix(p.window, p.accent, 18));
  FilledEllipse(dc, area.left + at(47), area.top + at(22), area.left + at(107), area.top + at(82), p.accent);
  FilledEllipse(dc, area.left + at(68), area.top + at(43), area.left + at(86), area.top + at(61), p.window);
  const RECT box{area.left + at(32), area.top + at(70), area.left + at(122), area.top + at(128)};
  GradientRect(dc, box, RGB(0x55, 0x5C, 0x66), RGB(0x30, 0x34, 0x3A), true);
  const RECT rim{area.left + at(26), area.top + at(64), area.left + at(128), area.top + at(76)};
  GradientRect(dc, rim, RGB(0x7A, 0x82, 0x8E), RGB(0x55, 0x5C, 0x66), true);
}

void InstallerWindow::Install() {
  if (uninstall_) uninstall_->Uninstall();
  else installation_->Install();
}
void InstallerWindow::ChooseDestination() {
  if (installation_) installation_->ChooseDestination();
}

}  // namespace kv::ui::win32
