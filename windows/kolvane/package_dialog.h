#pragma once
// The package dialog (TmkForm): name, proposed folder and description of a MendKit package,
// build progress, Build and Cancel. Created hidden at start-up and reused; shown modally over
// the main window.
#include <windows.h>

#include <memory>

#include "builder/package_creation.h"

#include "windows/common/controls_win32.h"
#include "windows/common/dialogs_win32.h"
#include "windows/common/skinned_window.h"

namespace kv::ui::win32 {

class MainWindow;

class PackageDialog final : public SkinnedWindow<PackageDialog> {
 public:
  // `palette`: the main window's, so that the dialog looks like part of it.
  PackageDialog(MainWindow& owner, WinMessagePump& pump, const Palette& palette, builder::BuildPlaces places);

  void Create();
  // Shows the dialog with the main window disabled and returns when it is hidden again.
  void ShowModal();
  std::u16string ApplicationTitle() const override;

 private:
  void BindControls() override;
  // FormCreate: the fields' initial texts.
  void OnCreated() override;
  void DrawItem(const DRAWITEMSTRUCT& item) override;
  void OnCommand(int id, int code) override;
  LRESULT HandleOwnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  void Close();

  void Build();   // Button1 "Build"
  void Cancel();  // Button2 "Cancel", Escape

  MainWindow& owner_;
  WinMessagePump& pump_;
  bool modal_ = false;

  WinText name_;             // edName
  WinText default_path_;     // edPath
  WinText description_;      // meDesc
  WinText activity_;         // Label3
  WinProgress progress_;     // pbProgress
  WinButton build_button_;   // Button1
  WinButton cancel_button_;  // Button2
  WinEnabling name_enabling_, default_path_enabling_, description_enabling_;
  WinMessageBoxes boxes_;
  std::unique_ptr<WinSaveDialog> save_package_;  // saveExe
  builder::BuildPlaces places_;
  std::unique_ptr<builder::PackageCreation> creation_;
};

}  // namespace kv::ui::win32
