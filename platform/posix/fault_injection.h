#pragma once
// Test-only faults of the POSIX stand-in, so that the callers' rollback and clean-up paths are
// run by tests instead of hoped for. Nothing in the programs arms them. A fault is
// process-wide (it counts the Files of every thread) and stays armed until it has fired or is
// cleared; a FaultScope clears every fault when the test leaves it, also when the test fails.
//
// platform::File (platform/file_stream.h) consults them, and the folder listing
// (platform/find_files.h) its own: the other operations of the stand-in (text files,
// profiles, temporary file names, copies) are not affected.
#include <cerrno>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kv::platform::posix {

enum class WriteFaultLasts {
  Once,          // only the chosen write fails
  UntilCleared,  // that write and every later counted one fail, as on a disk that stays full
};

// Arms a write fault: of the File::Write calls on Files whose path (as given to File::Open)
// ends with `path_suffix` (ASCII letters without regard to case; empty: every File), counted
// from this call on, the `nth` (1: the next one) writes nothing and returns 0, as a full disk
// does; every call counts, whatever its length. Replaces a write fault armed before; `nth` 0
// disarms.
void FailNthWrite(std::uint32_t nth, std::u16string_view path_suffix = {},
                  WriteFaultLasts lasts = WriteFaultLasts::Once);

// The writes refused since the write fault was armed (FailNthWrite and ClearFaults start the
// count again).
std::uint32_t RefusedWrites();

// Makes the next File::Open with kOpenCreate throw PlatformError with `os_error` (an errno
// value) and the usual "Cannot create file" message before it touches the file system, so the
// file is neither created nor truncated. Fires once.
void RefuseNextCreate(int os_error = EACCES);

// Makes every folder listing (ListFolder, FindFiles) of a folder whose Windows path, without
// a trailing separator, ends with `folder_suffix` fail with `os_error`, as a folder without
// read permission does when the tests run as root. Lasts until cleared.
void RefuseListing(std::u16string_view folder_suffix, int os_error = EACCES);

// Disarms every fault.
void ClearFaults();

class FaultScope {
 public:
  FaultScope() = default;
  ~FaultScope() { ClearFaults(); }
  FaultScope(const FaultScope&) = delete;
  FaultScope& operator=(const FaultScope&) = delete;
};

// The checks File makes: whether this write on a File of `path` is to fail, and the error a
// refused create is to give (nothing: go ahead). Each call counts as one attempt.
bool WriteIsRefused(const std::u16string& path);
std::optional<int> CreateIsRefused();
std::optional<int> ListingIsRefused(std::u16string_view folder);

}  // namespace kv::platform::posix
