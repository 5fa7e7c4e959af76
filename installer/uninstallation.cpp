#include "installer/uninstallation.h"

#include <chrono>
#include <exception>
#include <memory>
#include <thread>

#include "installer/uninstall_entry.h"
#include "package/errors.h"
#include "platform/admin.h"
#include "platform/file_removal.h"
#include "platform/file_system.h"

namespace kv::installer {
namespace {

bool SameFolder(std::u16string a, std::u16string b) {
  const auto fold = [](std::u16string& text) {
    for (char16_t& c : text)
      if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    while (!text.empty() && text.back() == u'\\') text.pop_back();
  };
  fold(a);
  fold(b);
  return a == b;
}

bool ContainsName(const std::vector<std::u16string>& paths, const std::u16string& path) {
  for (const auto& p : paths)
    if (SameFolder(p, path)) return true;
  return false;
}

}  // namespace

std::u16string UninstallQuestion(const std::u16string& package_name) {
  return u"Remove " + package_name + u" and all of its libraries?";
}

Uninstallation::Uninstallation(std::u16string folder, UninstallServices services, ui::LineList& log,
                               ui::ProgressBar& progress)
    : folder_(std::move(folder)), services_(std::move(services)), log_(log), progress_(progress) {
  while (folder_.size() > 3 && folder_.back() == u'\\') folder_.pop_back();
  if (!services_.is_administrator) services_.is_administrator = [] { return platform::IsAdministrator(u""); };
  if (!services_.unregister_library) {
    auto registrar = std::make_shared<registration::Registrar>(services_.pump);
    services_.unregister_library = [registrar](const std::u16string& path) {
      return registrar->Register(path, {true, registration::kDefaultTimeLimitSeconds, registration::Action::Unregister});
    };
  }
  if (!services_.delete_file) services_.delete_file = [](const std::u16string& path) { return platform::DeleteFileAt(path); };
  if (!services_.delete_at_restart) services_.delete_at_restart = platform::DeleteAtRestart;
}

bool Uninstallation::Administrator() {
  if (services_.is_administrator()) return true;
  log_.Append(kUninstallNoAdministratorText);
  return false;
}

const std::optional<UninstallRecord>& Uninstallation::Record() {
  if (!record_) {
    record_ = ReadUninstallRecord(folder_);
    if (!*record_) log_.Append(kNoRecordText);
  }
  return *record_;
}

int Uninstallation::Run(bool uninstaller_runs) {
  outcome_ = {};
  const auto& found = Record();
  if (!found) return kNoRecord;
  const UninstallRecord record = *found;
  log_.Append(u"Uninstalling " + record.package_name + u" from " + folder_);
  progress_.SetPosition(0);
  const int steps = static_cast<int>(record.libraries.size() + record.files.size());
  int step = 0;
  UnregisterLibraries(record, step, steps);
  RemoveFiles(record, step, steps);
  FinishRecord(record, uninstaller_runs);
  progress_.SetPosition(100);
  const bool clean = outcome_.not_unregistered.empty() && outcome_.left_until_restart.empty() &&
                     outcome_.not_removed.empty();
  log_.Append(clean ? kUninstalledText : u"The uninstallation did not remove everything.");
  return clean ? kUninstalled : kUninstallLeftOver;
}

void Uninstallation::UnregisterLibraries(const UninstallRecord& record, int& step, int steps) {
  for (const auto& library : record.libraries) {
    const std::u16string path = folder_ + u"\\" + library.name;
    const registration::RegistrationResult result = services_.unregister_library(path);
    if (result.registered) {
      log_.Append(u"Unregistered: " + path);
    } else {
      outcome_.not_unregistered.push_back(path);
      log_.Append(u"Not unregistered: " + path);
      if (!result.cause.empty()) log_.Append(u"    " + result.cause);
    }
    progress_.SetPosition(100 * ++step / steps);
    services_.pump.ProcessMessages();
  }
}

void Uninstallation::RemoveFiles(const UninstallRecord& record, int& step, int steps) {
  for (const auto& name : record.files) {
    RemoveOne(folder_ + u"\\" + name);
    progress_.SetPosition(100 * ++step / steps);
    services_.pump.ProcessMessages();
  }
}

void Uninstallation::RemoveOne(const std::u16string& path) {
  if (!platform::FileExists(path)) {
    outcome_.removed.push_back(path);
    log_.Append(u"Already gone: " + path);
    return;
  }
  // A read-only file would refuse the delete.
  if (const auto attributes = platform::GetFileAttributesAt(path); attributes && (*attributes & platform::kAttrReadOnly))
    platform::SetFileAttributesAt(path, *attributes & ~platform::kAttrReadOnly);
  if (services_.delete_file(path)) {
    outcome_.removed.push_back(path);
    log_.Append(u"Removed: " + path);
  } else if (services_.delete_at_restart(path)) {
    outcome_.left_until_restart.push_back(path);
    log_.Append(u"In use, removed at the next restart: " + path);
  } else {
    outcome_.not_removed.push_back(path);
    log_.Append(u"Could not remove: " + path);
  }
}

void Uninstallation::FinishRecord(const UninstallRecord& record, bool uninstaller_runs) {
  if (!outcome_.not_removed.empty()) {
    // Keep what is left in the record and the entry, so a later uninstall can finish the work.
    UninstallRecord rest{record.package_name, {}, {}};
    for (const auto& name : record.files)
      if (ContainsName(outcome_.not_removed, folder_ + u"\\" + name)) rest.files.push_back(name);
    for (const auto& library : record.libraries)
      if (ContainsName(outcome_.not_removed, folder_ + u"\\" + library.name)) rest.libraries.push_back(library);
    try {
      WriteUninstallRecord(folder_, rest);
    } catch (const std::exception& error) {
      log_.Append(package::ErrorMessage(error));
    }
    log_.Append(u"The uninstall record keeps what could not be removed.");
    return;
  }
  platform::DeleteFileAt(RecordPath(folder_));
  try {
    std::unique_ptr<platform::RegistryHive> own_hive;
    platform::RegistryHive* hive = services_.machine_hive;
    if (hive == nullptr) hive = (own_hive = platform::OpenLocalMachineHive()).get();
    const std::u16string key = UninstallKey(record.package_name);
    // The same package installed again elsewhere owns the entry now.
    const auto location = hive->ReadString(key, u"InstallLocation");
    if (!location || SameFolder(*location, folder_)) {
      hive->DeleteTree(key);
      log_.Append(u"Removed the entry in the installed programs.");
    }
  } catch (const std::exception& error) {
    log_.Append(package::ErrorMessage(error));
  }
  if (uninstaller_runs) return;
  RemoveOne(UninstallerPath(folder_));
  if (platform::RemoveEmptyFolder(folder_)) log_.Append(u"Removed the folder " + folder_);
  else if (!outcome_.left_until_restart.empty()) services_.delete_at_restart(folder_);
}

bool RemoveUninstaller(const std::u16string& folder, unsigned wait_ms) {
  if (platform::FileExists(RecordPath(folder))) return false;
  const std::u16string uninstaller = UninstallerPath(folder);
  for (unsigned waited = 0; platform::FileExists(uninstaller) && !platform::DeleteFileAt(uninstaller); waited += 100) {
    if (waited >= wait_ms) {
      platform::DeleteAtRestart(uninstaller);
      platform::DeleteAtRestart(folder);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  platform::RemoveEmptyFolder(folder);
  return true;
}

}  // namespace kv::installer
