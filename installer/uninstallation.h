#pragma once
// Removing an installation by its record, from the uninstaller's window or unattended: every
// recorded library is unregistered (regsvr32 /u of its bitness), every recorded file deleted,
// then the record and the entry in the installed programs; nothing the record does not list is
// ever removed. A file in use is marked for deletion at the next restart. Each outcome is a
// line of the run's log.
#include <functional>
#include <string>
#include <vector>

#include "controls/controls.h"
#include "installer/uninstall_record.h"
#include "platform/registry.h"
#include "registration/runner.h"

namespace kv::installer {

enum UninstallStatus : int {
  kUninstalled = 0,        // everything removed
  kUninstallLeftOver = 1,  // a library failed to unregister or a file is left until restart
  kUninstallNoAdministrator = 3,
  kNoRecord = 4,  // the folder holds no uninstall record
};

inline constexpr char16_t kUninstallCaption[] = u"Uninstall";
inline constexpr char16_t kUninstallNoAdministratorText[] =
    u"For correct uninstallation, program must be run with Administrator privileges! Aborting uninstallation.";
inline constexpr char16_t kNoRecordText[] = u"There is no installation record in this folder: nothing to uninstall.";
inline constexpr char16_t kUninstalledText[] = u"The libraries were successfully removed.";

// The question the window asks first: "Remove Test Kit and all of its libraries?".
std::u16string UninstallQuestion(const std::u16string& package_name);

struct UninstallServices {
  ui::MessagePump& pump;
  // Test seams; empty members take the platform's check, the registration core, the local
  // machine's hive, the file system's delete and the system's delete at restart.
  std::function<bool()> is_administrator;
  std::function<registration::RegistrationResult(const std::u16string& path)> unregister_library;
  platform::RegistryHive* machine_hive = nullptr;
  std::function<bool(const std::u16string& path)> delete_file;
  std::function<bool(const std::u16string& path)> delete_at_restart;
};

// What one uninstall did, path by path.
struct UninstallOutcome {
  std::vector<std::u16string> not_unregistered;
  std::vector<std::u16string> removed;
  std::vector<std::u16string> left_until_restart;
  std::vector<std::u16string> not_removed;  // neither deleted nor marked: kept in the record
};

class Uninstallation {
 public:
  // `folder`: the installation's folder (the uninstaller's own), without trailing backslash.
  Uninstallation(std::u16string folder, UninstallServices services, ui::LineList& log, ui::ProgressBar& progress);

  bool Administrator();
  // The folder's record; nothing when there is none (then kNoRecordText is logged).
  const std::optional<UninstallRecord>& Record();

  // Removes what the record lists, the uninstaller itself excepted: when `uninstaller_runs` is
  // false it is deleted too; when true the caller removes it and the folder afterwards
  // (RemoveUninstaller). The progress bar runs from 0 to 100 over libraries and files. Returns
  // an UninstallStatus (never kNoRecord or kUninstallNoAdministrator: those are the caller's
  // checks through Record and Administrator). Never throws.
  int Run(bool uninstaller_runs);
  const UninstallOutcome& Outcome() const { return outcome_; }

 private:
  void UnregisterLibraries(const UninstallRecord& record, int& step, int steps);
  void RemoveFiles(const UninstallRecord& record, int& step, int steps);
  void RemoveOne(const std::u16string& path);
  void FinishRecord(const UninstallRecord& record, bool uninstaller_runs);

  std::u16string folder_;
  UninstallServices services_;
  ui::LineList& log_;
  ui::ProgressBar& progress_;
  std::optional<std::optional<UninstallRecord>> record_;
  UninstallOutcome outcome_;
};

// Removes "<folder>\uninstall.exe" once it can (it may still be running: up to `wait_ms` of
// retries), then the folder when it is empty; what cannot go now is marked for deletion at the
// next restart. Does nothing while the folder still holds a record. True when both are gone.
bool RemoveUninstaller(const std::u16string& folder, unsigned wait_ms);

}  // namespace kv::installer
