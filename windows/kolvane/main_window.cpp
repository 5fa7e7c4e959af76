#include "windows/kolvane/main_window.h"

#include <commctrl.h>

#include <array>
#include <stdexcept>

#include "builder/gather.h"
#include "kv/version.h"
#include "registration/start_up.h"
#include "registration/texts.h"
#include "windows/common/drawing.h"
#include "windows/common/program_path.h"
#include "windows/kolvane/main_window_layout.h"
#include "windows/kolvane/package_dialog.h"

namespace kv::ui::win32 {
namespace {

using namespace kolvane;

// WM_COMMAND notification the folder field sends its parent on Enter (edits use 0x0100..0x0800).
constexpr WORD kFolderEntered = 0x7F00;
constexpr UINT_PTR kFolderEnterSubclass = 2;

// Enter in the folder field lists the typed folder instead of pressing the default button.
LRESULT CALLBACK FolderFieldProcedure(HWND field, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                      DWORD_PTR) noexcept {
  if (message == WM_GETDLGCODE && lparam != 0) {
    const auto& key = *reinterpret_cast<const MSG*>(lparam);
    if ((key.message == WM_KEYDOWN || key.message == WM_CHAR) && key.wParam == VK_RETURN)
      return DefSubclassProc(field, message, wparam, lparam) | DLGC_WANTALLKEYS;
  }
  if (message == WM_KEYDOWN && wparam == VK_RETURN) {
    PostMessageW(GetParent(field), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(field), kFolderEntered),
                 reinterpret_cast<LPARAM>(field));
    return 0;
  }
  if (message == WM_CHAR && wparam == VK_RETURN) return 0;  // a single-line edit would beep
  return DefSubclassProc(field, message, wparam, lparam);
}

std::u16string ProgramFolderWithoutSlash() {
  std::u16string folder = ProgramFolder();
  folder.pop_back();
  return folder;
}

// A popup menu, destroyed with the object.
class PopupMenu {
 public:
  PopupMenu() : menu_(CreatePopupMenu()) {}
  ~PopupMenu() {
    if (menu_ != nullptr) DestroyMenu(menu_);
  }
  PopupMenu(const PopupMenu&) = delete;
  PopupMenu& operator=(const PopupMenu&) = delete;
  HMENU get() const { return menu_; }

 private:
  HMENU menu_;
};

// Where the list's right-click menu opens: at the click, or, from the keyboard (Shift+F10, the
// menu key: the point is -1, -1), at the list's top-left corner.
POINT ContextMenuPoint(HWND list, LPARAM lparam) {
  POINT at{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
  if (at.x == -1 && at.y == -1) {
    RECT area{};
    GetWindowRect(list, &area);
    at = {area.left, area.top};
  }
  return at;
}

struct ClickHandler {
  int id;
  void (MainWindow::*handler)();
};

}  // namespace

MainWindow::MainWindow(WinMessagePump& pump)
    : SkinnedWindow({.controls = kControls,
                     .fonts = kFonts,
                     .panels = kPanels,
                     .read_only_fields = {},
                     .default_button = ids::kRegisterButton,
                     .status_bar = ids::kStatusBar},
                    TurquoiseGray()),
      pump_(pump),
      hive_(platform::OpenCurrentUserHive()),
      places_(builder::BuildPlaces::Beside(ProgramFolderWithoutSlash())) {}

MainWindow::~MainWindow() = default;

void MainWindow::Create(int show) {
  const UINT dpi = WindowDpi(nullptr);
  const SIZE size = WindowSizeFor(kClientWidth, kClientHeight, kWindowStyle, 0, dpi);
  const std::u16string caption = std::u16string(kKolvaneTitle) + u" (" KV_VERSION_TEXT_U u")";
  CreateBound(L"KolvaneMainForm", caption, kWindowStyle, 0, size.cx, size.cy, nullptr,
              LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1)), nullptr);
  if (window() == nullptr) throw std::runtime_error("Cannot create the main window");
  CenterWindow(window(), nullptr);
  package_dialog_ = std::make_unique<PackageDialog>(*this, pump_, skin().palette(), places_);
  package_dialog_->Create();
  ShowWindow(window(), show);
  UpdateWindow(window());
}

void MainWindow::BindControls() {
  const auto item = [this](int id) { return GetDlgItem(window(), id); };
  folder_ = WinText(item(ids::kFolderEdit));
  search_ = WinText(item(ids::kSearchEdit));
  status_ = WinText(item(ids::kStatusLabel));
  status_bar_ = WinStatusPanel(item(ids::kStatusBar));
  save_log_button_ = WinButton(item(ids::kSaveLogButton));
  register_button_ = WinText(item(ids::kRegisterButton));
  browse_button_ = WinButton(item(ids::kBrowseButton));
  select_all_button_ = WinButton(item(ids::kSelectAllButton));
  select_none_button_ = WinButton(item(ids::kSelectNoneButton));
  create_button_ = WinButton(item(ids::kCreateButton));
  library_list_enabling_ = WinEnabling(item(ids::kLibraryList));
  search_enabling_ = WinEnabling(item(ids::kSearchEdit));
  SetWindowSubclass(item(ids::kFolderEdit), &FolderFieldProcedure, kFolderEnterSubclass, 0);
  silent_ = WinTickBox(item(ids::kSilentBox));
  progress_ = WinProgress(item(ids::kProgressBar));
  libraries_ = WinCheckList(item(ids::kLibraryList));
  log_ = WinLineList(item(ids::kLogList));
  boxes_.set_owner(window());
  picker_ = WinFolderPicker(window());
  SendMessageW(item(ids::kStatusBar), SB_SIMPLE, TRUE, 0);
  SendMessageW(item(ids::kProgressBar), PBM_SETRANGE32, 0, 100);
  silent_.SetChecked(true);
  EnableCheckListToggling(item(ids::kLibraryList));
  // The Silent box is reached with the mouse only.
  SetWindowLongPtrW(item(ids::kSilentBox), GWL_STYLE, GetWindowLongPtrW(item(ids::kSilentBox), GWL_STYLE) & ~WS_TABSTOP);
  status_bar_.SetText(u"Pick a folder to list its COM libraries.");
  save_log_dialog_ = std::make_unique<WinSaveDialog>(window(), u"Log files (*.log)|*.log", u"log");
  registration_ = std::make_unique<registration::BatchRegistration>(registration::RegistrationControls{
      folder_, libraries_, search_, silent_, progress_, status_, log_, save_log_button_, *save_log_dialog_, picker_,
      boxes_, pump_, register_button_, status_bar_,
      registration::RunLockedControls{browse_button_, select_all_button_, select_none_button_, create_button_,
                                      library_list_enabling_, search_enabling_}});
}

void MainWindow::OnCreated() { registration::RecordInstallPath(*hive_, ProgramFolder()); }

void MainWindow::PaintOverPanels(HDC dc, const RECT& client) const {
  // Bevel1: the line under the banner.
  const RECT bevel{0, layout().Scale(81), client.right, layout().Scale(82)};
  SetDCBrushColor(dc, skin().palette().panel_dark);
  FillRect(dc, &bevel, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void MainWindow::DrawItem(const DRAWITEMSTRUCT& item) {
  if (item.CtlID == ids::kBanner) {
    DrawBanner(item);
    return;
  }
  const Palette& p = skin().palette();
  libraries_.Draw(item, p.field, p.field_text, p.accent, p.accent_text);
}

LRESULT MainWindow::HandleOwnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_MEASUREITEM: {
      auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lparam);
      measure->itemHeight = static_cast<UINT>(layout().Scale(17));
      return TRUE;
    }
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wparam) == GetDlgItem(window(), ids::kBanner)) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    case WM_NOTIFY: {
      const auto& header = *reinterpret_cast<const NMHDR*>(lparam);
      if (header.idFrom != ids::kRegisterButton || header.code != BCN_DROPDOWN) break;
      RECT button{};
      GetWindowRect(header.hwndFrom, &button);
      ShowUnregisterMenu({button.left, button.bottom});
      return 0;
    }
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(wparam) != GetDlgItem(window(), ids::kLibraryList)) break;
      ShowUnregisterMenu(ContextMenuPoint(reinterpret_cast<HWND>(wparam), lparam));
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

void MainWindow::OnCommand(int id, int code) {
  static constexpr std::array kClicks{
      ClickHandler{ids::kBrowseButton, &MainWindow::BrowseForFolder},
      ClickHandler{ids::kSelectAllButton, &MainWindow::TickAll},
      ClickHandler{ids::kSelectNoneButton, &MainWindow::UntickAll},
      ClickHandler{ids::kRegisterButton, &MainWindow::RegisterOrStop},
      ClickHandler{ids::kUnregisterCommand, &MainWindow::Unregister},
      ClickHandler{ids::kSaveLogButton, &MainWindow::SaveLog},
      ClickHandler{ids::kCreateButton, &MainWindow::CreatePackage},
  };
  if (id == ids::kSearchEdit && code == EN_CHANGE) return SelectSearchMatch();
  if (id == ids::kFolderEdit && code == kFolderEntered) return ListTypedFolder();
  if (id == ids::kBanner && code == STN_CLICKED) return ShowAbout();
  if (code != BN_CLICKED) return;
  for (const ClickHandler& click : kClicks) {
    if (click.id == id) return (this->*click.handler)();
  }
}

// The bevel under the banner moves with the scale: paint everything anew.
void MainWindow::OnDpiChanged() { InvalidateRect(window(), nullptr, TRUE); }

void MainWindow::DrawBanner(const DRAWITEMSTRUCT& item) const {
  const HDC dc = item.hDC;
  const RECT area = item.rcItem;
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  const auto x = [&](int at) { return area.left + MulDiv(at, width, 500); };
  const auto y = [&](int at) { return area.top + MulDiv(at, height, 80); };
  GradientRect(dc, area, RGB(0x0E, 0x5E, 0x63), RGB(0x3F, 0xB8, 0xB0), false);
  // Three overlapping rings on the right: libraries linked together.
  FilledEllipse(dc, x(380), y(-30), x(520), y(110), RGB(0x5C, 0xCB, 0xC2));
  FilledEllipse(dc, x(410), y(10), x(470), y(70), RGB(0xB9, 0xC4, 0xC6));
  FilledEllipse(dc, x(426), y(26), x(454), y(54), RGB(0x0E, 0x5E, 0x63));
  DrawTextWith(dc, u"Kolvane", {x(18), y(8), x(360), y(50)}, L"Tahoma", y(36) - area.top, true, RGB(0xFF, 0xFF, 0xFF),
               DT_LEFT | DT_SINGLELINE | DT_VCENTER);
  DrawTextWith(dc, u"easy and comfortable libraries registering", {x(20), y(50), x(400), y(72)}, L"Tahoma",
               y(13) - area.top, false, RGB(0xE0, 0xF4, 0xF2), DT_LEFT | DT_SINGLELINE | DT_VCENTER);
}

void MainWindow::ShowAbout() {
  boxes_.Show(registration::AboutText(), ApplicationTitle(), MessageKind::Information, MessageButtons::Ok);
}

void MainWindow::BrowseForFolder() { registration_->BrowseForFolder(); }
void MainWindow::TickAll() { registration_->TickAll(); }
void MainWindow::UntickAll() { registration_->UntickAll(); }
void MainWindow::ListTypedFolder() { registration_->ListTypedFolder(); }

void MainWindow::RegisterOrStop() {
  // The second click of a double-click on Register is neither a request to stop the run it
  // started nor, when that run was short and has already ended, a second run. The clicks' own
  // times count: the second one is handled only after the run's messages.
  const DWORD clicked = static_cast<DWORD>(GetMessageTime());
  if (run_started_ != 0 && clicked - run_started_ < GetDoubleClickTime()) return;
  if (!registration_->Running()) {
    run_started_ = clicked;
    registration_->RegisterTicked();
    return;
  }
  registration_->StopRun();
}

void MainWindow::Unregister() { registration_->UnregisterTicked(); }

void MainWindow::ShowUnregisterMenu(POINT at) {
  PopupMenu menu;
  if (menu.get() == nullptr) return;
  const UINT state = registration_->Running() ? MF_GRAYED : MF_ENABLED;
  AppendMenuW(menu.get(), MF_STRING | state, ids::kUnregisterCommand,
              reinterpret_cast<const wchar_t*>(registration::kUnregisterEntry));
  // The chosen entry arrives as WM_COMMAND after the menu has closed.
  TrackPopupMenu(menu.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, window(), nullptr);
}

void MainWindow::SaveLog() { registration_->SaveLog(); }
void MainWindow::SelectSearchMatch() { registration_->SelectSearchMatch(); }

void MainWindow::CreatePackage() {
  builder::GatherTickedLibraries(libraries_, folder_.Text(), places_, boxes_, ApplicationTitle(),
                                 [this] { package_dialog_->ShowModal(); });
}

}  // namespace kv::ui::win32
