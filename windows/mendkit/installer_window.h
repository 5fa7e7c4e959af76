#pragma once
// The installer's window: picture, title, package name and description, destination folder
// with its picker, the overwrite choice, progress and the Install button.
#include <windows.h>

#include <memory>

#include "installer/installation.h"
#include "installer/uninstall_flow.h"

#include "windows/common/controls_win32.h"
#include "windows/common/dialogs_win32.h"
#include "windows/common/skinned_window.h"

namespace kv::ui::win32 {

inline constexpr char16_t kInstallerTitle[] = u"Install";

class InstallerWindow final : public SkinnedWindow<InstallerWindow> {
 public:
  // `uninstalling`: the window of "uninstall.exe /U", which removes the installation in its
  // own folder instead of installing.
  explicit InstallerWindow(WinMessagePump& pump, bool uninstalling = false);

  // Creates the window (its start-up, FormCreate, runs now) and shows it unless the start-up
  // ended the program.
  void Create(int show);
  std::u16string ApplicationTitle() const override { return kInstallerTitle; }

 private:
  void BindControls() override;
  // FormCreate: the administrator check, then the package's name and description.
  void OnCreated() override;
  void DrawItem(const DRAWITEMSTRUCT& item) override;
  void OnCommand(int id, int code) override;
  LRESULT HandleOwnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

  void BindUninstall(const installer::InstallerControls& controls, const installer::InstallerServices& services);
  void Install();            // bnExtract "Install" ("Uninstall" when uninstalling)
  void ChooseDestination();  // bnSelectDestPath "..."

  WinMessagePump& pump_;
  bool uninstalling_;
  bool end_requested_ = false;

  WinText destination_;        // edPath
  WinText processing_;         // Label2
  WinMemoLines package_info_;  // Memo1
  WinStatusPanel status_bar_;  // StatusBar1
  WinTickBox overwrite_;       // cboverwrite
  WinProgress progress_;       // pbProgress
  WinButton destination_field_, browse_button_, overwrite_box_, install_button_;
  WinMessageBoxes boxes_;
  WinFolderPicker picker_;
  std::unique_ptr<installer::Installation> installation_;  // when installing
  std::unique_ptr<installer::UninstallFlow> uninstall_;    // when uninstalling
};

}  // namespace kv::ui::win32
