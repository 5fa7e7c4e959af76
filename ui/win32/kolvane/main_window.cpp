#include "ui/win32/kolvane/main_window.h"

#include <commctrl.h>

#include <array>
#include <stdexcept>

#include "builder/gather.h"
#include "registration/start_up.h"
#include "ui/win32/common/drawing.h"
#include "ui/win32/common/gdi.h"
#include "ui/win32/common/program_path.h"
#include "ui/win32/kolvane/main_window_layout.h"
#include "ui/win32/kolvane/package_dialog.h"

namespace kv::ui::win32 {
namespace {

using namespace kolvane;

std::u16string ProgramFolderWithoutSlash() {
  std::u16string folder = ProgramFolder();
  folder.pop_back();
  return folder;
}

struct ClickHandler {
  int id;
  void (MainWindow::*handler)();
};

}  // namespace

MainWindow::MainWindow(WinMessagePump& pump)
    : pump_(pump), layout_(kControls, kFonts), skin_(TurquoiseGray()), hive_(platform::OpenCurrentUserHive()),
      places_(builder::BuildPlaces::Beside(ProgramFolderWithoutSlash())) {}

MainWindow::~MainWindow() = default;

void MainWindow::Create(int show) {
  const UINT dpi = WindowDpi(nullptr);
  const SIZE size = WindowSizeFor(kClientWidth, kClientHeight, kWindowStyle, 0, dpi);
  const std::u16string caption = std::u16string(kKolvaneTitle) + u" (0.4)";
  CreateBound(L"KolvaneMainForm", caption, kWindowStyle, 0, size.cx, size.cy, nullptr,
              LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1)), nullptr);
  if (window() == nullptr) throw std::runtime_error("Cannot create the main window");
  CenterWindow(window(), nullptr);
  package_dialog_ = std::make_unique<PackageDialog>(*this, pump_, skin_, places_);
  package_dialog_->Create();
  ShowWindow(window(), show);
  UpdateWindow(window());
}

void MainWindow::BindControls() {
  const auto item = [this](int id) { return GetDlgItem(window(), id); };
  edit1_ = WinText(item(ids::kFolderEdit));
  edit2_ = WinText(item(ids::kSearchEdit));
  label4_ = WinText(item(ids::kStatusLabel));
  status_ = WinStatusPanel(item(ids::kStatusBar));
  button5_ = WinButton(item(ids::kSaveLogButton));
  checkbox1_ = WinTickBox(item(ids::kSilentBox));
  gauge1_ = WinProgress(item(ids::kProgressBar));
  listbox1_ = WinCheckList(item(ids::kLibraryList));
  memo1_ = WinLineList(item(ids::kLogList));
  boxes_.set_owner(window());
  picker_ = WinFolderPicker(window());
  SendMessageW(item(ids::kStatusBar), SB_SIMPLE, TRUE, 0);
  SendMessageW(item(ids::kProgressBar), PBM_SETRANGE32, 0, 100);
  checkbox1_.SetChecked(true);
  EnableCheckListToggling(item(ids::kLibraryList));
  // The Silent box is reached with the mouse only.
  SetWindowLongPtrW(item(ids::kSilentBox), GWL_STYLE, GetWindowLongPtrW(item(ids::kSilentBox), GWL_STYLE) & ~WS_TABSTOP);
  status_.SetText(u"Pick a folder to list its COM libraries.");
  save_log_dialog_ = std::make_unique<WinSaveDialog>(window(), u"Log files (*.log)|*.log", u"log");
  registration_ = std::make_unique<registration::BatchRegistration>(registration::RegistrationControls{
      edit1_, listbox1_, edit2_, checkbox1_, gauge1_, label4_, memo1_, button5_, *save_log_dialog_, picker_, boxes_,
      pump_});
}

void MainWindow::FormCreate() {
  // Double-buffered painting: the window clips its children and paints its panels in one pass.
  registration::RecordInstallPath(*hive_, ProgramFolder());
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      layout_.Create(window());
      BindControls();
      try {
        FormCreate();
      } catch (...) {
        ShowCurrentException(window(), ApplicationTitle());  // the window still opens
      }
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PaintScope paint(window());
      RECT client{};
      GetClientRect(window(), &client);
      skin_.PaintPanels(paint.dc(), client, kPanels, layout_);
      // Bevel1: the line under the banner.
      const RECT bevel{0, layout_.Scale(81), client.right, layout_.Scale(82)};
      SetDCBrushColor(paint.dc(), skin_.palette().panel_dark);
      FillRect(paint.dc(), &bevel, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
      return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: {
      const auto control = reinterpret_cast<HWND>(lparam);
      const bool field = message != WM_CTLCOLORSTATIC && message != WM_CTLCOLORBTN;
      const bool read_only_edit = GetDlgCtrlID(control) == ids::kFolderEdit;
      return reinterpret_cast<LRESULT>(skin_.ControlColors(window(), reinterpret_cast<HDC>(wparam), control,
                                                           field || read_only_edit, kPanels, layout_));
    }
    case WM_MEASUREITEM: {
      auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lparam);
      measure->itemHeight = static_cast<UINT>(layout_.Scale(17));
      return TRUE;
    }
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      if (item.CtlID == ids::kBanner) {
        DrawBanner(item);
      } else {
        const Palette& p = skin_.palette();
        listbox1_.Draw(item, p.field, p.field_text, p.accent, p.accent_text);
      }
      return TRUE;
    }
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wparam) == GetDlgItem(window(), ids::kBanner)) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam));
      return 0;
    case DM_GETDEFID:
      return MAKELRESULT(ids::kRegisterButton, DC_HASDEFID);
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
      return 0;
    case WM_SIZE:
      SendMessageW(GetDlgItem(window(), ids::kStatusBar), WM_SIZE, 0, 0);
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
      ClickHandler{ids::kBrowseButton, &MainWindow::Button2Click},
      ClickHandler{ids::kSelectAllButton, &MainWindow::Button1Click},
      ClickHandler{ids::kSelectNoneButton, &MainWindow::Button4Click},
      ClickHandler{ids::kRegisterButton, &MainWindow::Button3Click},
      ClickHandler{ids::kSaveLogButton, &MainWindow::Button5Click},
      ClickHandler{ids::kCreateButton, &MainWindow::Button6Click},
  };
  if (id == ids::kSearchEdit && code == EN_CHANGE) return Edit2Change();
  if (id == ids::kBanner && code == STN_CLICKED) return Image1Click();
  if (code != BN_CLICKED) return;
  for (const ClickHandler& click : kClicks) {
    if (click.id == id) return (this->*click.handler)();
  }
}

void MainWindow::OnDpiChanged(UINT dpi, const RECT& suggested) {
  layout_.Apply(window(), dpi);
  SetWindowPos(window(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(window(), nullptr, TRUE);
}

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

void MainWindow::Image1Click() {
  boxes_.Show(registration::AboutText(), ApplicationTitle(), MessageKind::Information, MessageButtons::Ok);
}

void MainWindow::Button2Click() { registration_->BrowseForFolder(); }
void MainWindow::Button1Click() { registration_->TickAll(); }
void MainWindow::Button4Click() { registration_->UntickAll(); }
void MainWindow::Button3Click() { registration_->RegisterTicked(); }
void MainWindow::Button5Click() { registration_->SaveLog(); }
void MainWindow::Edit2Change() { registration_->SelectSearchMatch(); }

void MainWindow::Button6Click() {
  builder::GatherTickedLibraries(listbox1_, edit1_.Text(), places_, boxes_, ApplicationTitle(),
                        [this] { package_dialog_->ShowModal(); });
}

}  // namespace kv::ui::win32
