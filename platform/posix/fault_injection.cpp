#include "platform/posix/fault_injection.h"

#include <atomic>
#include <mutex>

namespace kv::platform::posix {
namespace {

struct Faults {
  std::mutex mutex;
  // Read without the lock on every write: with nothing armed, a File pays one atomic load.
  std::atomic<bool> armed{false};
  std::uint32_t write_nth = 0;  // 0: no write fault
  std::u16string write_suffix;
  WriteFaultLasts write_lasts = WriteFaultLasts::Once;
  std::uint32_t writes_seen = 0;
  std::uint32_t writes_refused = 0;
  std::optional<int> create_error;
  std::u16string listing_suffix;
  std::optional<int> listing_error;

  void UpdateArmed() { armed = write_nth != 0 || create_error.has_value() || listing_error.has_value(); }
};

Faults& State() {
  static Faults faults;
  return faults;
}

char16_t FoldCase(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }

bool EndsWith(std::u16string_view text, std::u16string_view suffix) {
  if (suffix.size() > text.size()) return false;
  const std::u16string_view end = text.substr(text.size() - suffix.size());
  for (std::size_t i = 0; i < suffix.size(); ++i)
    if (FoldCase(end[i]) != FoldCase(suffix[i])) return false;
  return true;
}

}  // namespace

void FailNthWrite(std::uint32_t nth, std::u16string_view path_suffix, WriteFaultLasts lasts) {
  Faults& f = State();
  std::lock_guard lock(f.mutex);
  f.write_nth = nth;
  f.write_suffix.assign(path_suffix);
  f.write_lasts = lasts;
  f.writes_seen = 0;
  f.writes_refused = 0;
  f.UpdateArmed();
}

std::uint32_t RefusedWrites() {
  Faults& f = State();
  std::lock_guard lock(f.mutex);
  return f.writes_refused;
}

void RefuseNextCreate(int os_error) {
  Faults& f = State();
  std::lock_guard lock(f.mutex);
  f.create_error = os_error;
  f.UpdateArmed();
}

void RefuseListing(std::u16string_view folder_suffix, int os_error) {
  Faults& f = State();
  std::lock_guard lock(f.mutex);
  f.listing_suffix.assign(folder_suffix);
  f.listing_error = os_error;
  f.UpdateArmed();
}

void ClearFaults() {
  Faults& f = State();
  std::lock_guard lock(f.mutex);
  f.listing_suffix.clear();
  f.listing_error.reset();
  f.write_nth = 0;
  f.write_suffix.clear();
  f.writes_seen = 0;
  f.writes_refused = 0;
  f.create_error.reset();
  f.UpdateArmed();
}

bool WriteIsRefused(const std::u16string& path) {
  Faults& f = State();
  if (!f.armed) return false;
  std::lock_guard lock(f.mutex);
  if (f.write_nth == 0 || !EndsWith(path, f.write_suffix)) return false;
  if (f.writes_seen < f.write_nth) ++f.writes_seen;
  if (f.writes_seen < f.write_nth) return false;
  ++f.writes_refused;
  if (f.write_lasts == WriteFaultLasts::Once) {
    f.write_nth = 0;  // fired
    f.UpdateArmed();
  }
  return true;
}

std::optional<int> CreateIsRefused() {
  Faults& f = State();
  if (!f.armed) return std::nullopt;
  std::lock_guard lock(f.mutex);
  const std::optional<int> error = f.create_error;
  f.create_error.reset();
  f.UpdateArmed();
  return error;
}

std::optional<int> ListingIsRefused(std::u16string_view folder) {
  Faults& f = State();
  if (!f.armed) return std::nullopt;
  std::lock_guard lock(f.mutex);
  while (!folder.empty() && (folder.back() == u'\\' || folder.back() == u'/')) folder.remove_suffix(1);
  if (!f.listing_error || !EndsWith(folder, f.listing_suffix)) return std::nullopt;
  return f.listing_error;
}

}  // namespace kv::platform::posix
