#pragma once
// The installer's window: picture, title, package name and description, destination folder
// with its picker, the overwrite choice, progress and the Install button.
#include <windows.h>

#include <memory>

#include "installer/installation.h"

#include "ui/win32/common/base_window.h"
#include "ui/win32/common/controls_win32.h"
#include "ui/win32/common/dialogs_win32.h"
#include "ui/win32/common/layout.h"
#include "ui/win32/common/skin.h"

namespace kv::ui::win32 {

inline constexpr char16_t kInstallerTitle[] = u"Install";

class InstallerWindow final : public BaseWindow<InstallerWindow> {
 public:
  explicit InstallerWindow(WinMessagePump& pump);

  // Creates the window (FormCreate runs now) and shows it unless FormCreate ended the program.
  void Create(int show);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  std::u16string ApplicationTitle() const override { return kInstallerTitle; }

 private:
  void BindControls();
  void FormCreate();
  bool FormCloseQuery();
  void DrawPicture(const DRAWITEMSTRUCT& item) const;

  void bnExtractClick();
  void bnSelectDestPathClick();

  WinMessagePump& pump_;
  Layout layout_;
  Skin skin_;
  bool end_requested_ = false;

  WinText ed_path_, label2_;
  WinMemoLines memo1_;
  WinStatusPanel status_;
  WinTickBox cb_overwrite_;
  WinProgress pb_progress_;
  WinMessageBoxes boxes_;
  WinFolderPicker picker_;
  std::unique_ptr<installer::Installation> form_;
};

}  // namespace kv::ui::win32
