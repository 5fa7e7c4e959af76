#pragma once
// The registration tool's main window: banner, folder row, library check-list with its
// buttons, progress and status, the log, and the button that opens the package dialog.
#include <windows.h>

#include <memory>

#include "builder/package_build.h"
#include "platform/registry.h"
#include "registration/batch_registration.h"
#include "ui/win32/common/base_window.h"
#include "ui/win32/common/controls_win32.h"
#include "ui/win32/common/dialogs_win32.h"
#include "ui/win32/common/layout.h"
#include "ui/win32/common/skin.h"

namespace kv::ui::win32 {

class PackageDialog;

inline constexpr char16_t kKolvaneTitle[] = u"Kolvane";

class MainWindow final : public BaseWindow<MainWindow> {
 public:
  explicit MainWindow(WinMessagePump& pump);
  ~MainWindow() override;

  // Creates the window (FormCreate runs now) and the hidden package dialog, then shows it.
  void Create(int show);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  std::u16string ApplicationTitle() const override { return kKolvaneTitle; }

 private:
  void BindControls();
  void FormCreate();
  void OnCommand(int id, int code);
  void DrawBanner(const DRAWITEMSTRUCT& item) const;
  void OnDpiChanged(UINT dpi, const RECT& suggested);

  // Handlers named after their controls.
  void Button2Click();  // Browse...
  void Button1Click();  // Select all
  void Button4Click();  // Select none
  void Button3Click();  // Register
  void Button5Click();  // Save log...
  void Button6Click();  // Create MendKit
  void Edit2Change();   // search field
  void Image1Click();   // about box

  WinMessagePump& pump_;
  Layout layout_;
  Skin skin_;
  std::unique_ptr<platform::RegistryHive> hive_;
  builder::BuildPlaces places_;
  std::unique_ptr<PackageDialog> package_dialog_;

  WinText edit1_, edit2_, label4_;
  WinStatusPanel status_;
  WinButton button5_;
  WinTickBox checkbox1_;
  WinProgress gauge1_;
  WinCheckList listbox1_;
  WinLineList memo1_;
  WinMessageBoxes boxes_;
  WinFolderPicker picker_;
  std::unique_ptr<WinSaveDialog> save_log_dialog_;
  std::unique_ptr<registration::BatchRegistration> registration_;
};

}  // namespace kv::ui::win32
