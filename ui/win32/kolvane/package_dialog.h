#pragma once
// The package dialog (TmkForm): name, proposed folder and description of a MendKit package,
// build progress, Build and Cancel. Created hidden at start-up and reused; shown modally over
// the main window.
#include <windows.h>

#include <memory>

#include "builder/package_creation.h"

#include "ui/win32/common/base_window.h"
#include "ui/win32/common/controls_win32.h"
#include "ui/win32/common/dialogs_win32.h"
#include "ui/win32/common/layout.h"
#include "ui/win32/common/skin.h"

namespace kv::ui::win32 {

class MainWindow;

class PackageDialog final : public BaseWindow<PackageDialog> {
 public:
  PackageDialog(MainWindow& owner, WinMessagePump& pump, const Skin& skin, builder::BuildPlaces places);

  void Create();
  // Shows the dialog with the main window disabled and returns when it is hidden again.
  void ShowModal();
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  std::u16string ApplicationTitle() const override;

 private:
  void BindControls();
  void FormCreate();
  void Close();
  void DrawImage(const DRAWITEMSTRUCT& item) const;

  void Button1Click();  // Build
  void Button2Click();  // Cancel

  MainWindow& owner_;
  WinMessagePump& pump_;
  const Skin& skin_;
  Layout layout_;
  bool modal_ = false;

  WinText ed_name_, ed_path_, me_desc_, label3_;
  WinProgress pb_progress_;
  WinButton button1_, button2_;
  WinMessageBoxes boxes_;
  std::unique_ptr<WinSaveDialog> save_exe_;
  builder::BuildPlaces places_;
  std::unique_ptr<builder::PackageCreation> form_;
};

}  // namespace kv::ui::win32
