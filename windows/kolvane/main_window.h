#pragma once
// The registration tool's main window: banner, folder row, library check-list with its
// buttons, progress and status, the log, and the button that opens the package dialog.
#include <windows.h>

#include <memory>

#include "builder/package_build.h"
#include "platform/registry.h"
#include "registration/batch_registration.h"
#include "windows/common/controls_win32.h"
#include "windows/common/dialogs_win32.h"
#include "windows/common/skinned_window.h"

namespace kv::ui::win32 {

class PackageDialog;

inline constexpr char16_t kKolvaneTitle[] = u"Kolvane";

class MainWindow final : public SkinnedWindow<MainWindow> {
 public:
  explicit MainWindow(WinMessagePump& pump);
  ~MainWindow() override;

  // Creates the window (its start-up, FormCreate, runs now) and the hidden package dialog, then
  // shows it.
  void Create(int show);
  std::u16string ApplicationTitle() const override { return kKolvaneTitle; }

 private:
  void BindControls() override;
  // FormCreate: records the program's folder in the current user's hive.
  void OnCreated() override;
  void PaintOverPanels(HDC dc, const RECT& client) const override;
  void DrawItem(const DRAWITEMSTRUCT& item) override;
  void OnCommand(int id, int code) override;
  void OnDpiChanged() override;
  LRESULT HandleOwnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  void DrawBanner(const DRAWITEMSTRUCT& item) const;

  void BrowseForFolder();    // Button2 "Browse..."
  void TickAll();            // Button1 "Select all"
  void UntickAll();          // Button4 "Select none"
  void RegisterOrStop();     // Button3 "Register", "Stop" during a run
  void Unregister();         // "Unregister" in Button3's drop-down or the list's right-click menu
  // The menu holding "Unregister", opened at a screen point; greyed during a run.
  void ShowUnregisterMenu(POINT at);
  void ListTypedFolder();    // Edit1 Enter
  void SaveLog();            // Button5 "Save log..."
  void CreatePackage();      // Button6 "Create MendKit"
  void SelectSearchMatch();  // Edit2 change
  void ShowAbout();          // Image1 click

  WinMessagePump& pump_;
  std::unique_ptr<platform::RegistryHive> hive_;
  builder::BuildPlaces places_;
  std::unique_ptr<PackageDialog> package_dialog_;

  WinText folder_;                     // Edit1
  WinText search_;                     // Edit2
  WinText status_;                     // Label4
  WinStatusPanel status_bar_;          // StatusBar1
  WinButton save_log_button_;          // Button5
  WinText register_button_;            // Button3: its caption
  WinButton browse_button_;            // Button2
  WinButton select_all_button_;        // Button1
  WinButton select_none_button_;       // Button4
  WinButton create_button_;            // Button6
  WinEnabling library_list_enabling_;  // ListBox1
  WinEnabling search_enabling_;        // Edit2
  DWORD run_started_ = 0;              // message time of the click that began the last run
  WinTickBox silent_;                  // CheckBox1
  WinProgress progress_;               // Gauge1
  WinCheckList libraries_;             // ListBox1
  WinLineList log_;                    // Memo1
  WinMessageBoxes boxes_;
  WinFolderPicker picker_;
  std::unique_ptr<WinSaveDialog> save_log_dialog_;  // SaveDialog1
  std::unique_ptr<registration::BatchRegistration> registration_;
};

}  // namespace kv::ui::win32
