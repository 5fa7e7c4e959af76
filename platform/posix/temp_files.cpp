#include "platform/temp_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/errors.h"
#include "platform/unicode.h"

namespace kv::platform {
namespace {

// Windows path to native path: drive Z: is the root, "\" separators become "/".
std::string Native(const std::u16string& path) {
  std::u16string p = path;
  if (p.size() >= 2 && (p[0] == u'Z' || p[0] == u'z') && p[1] == u':') p.erase(0, 2);
  for (char16_t& c : p)
    if (c == u'\\') c = u'/';
  return Utf16ToUtf8(p);
}

// Native absolute path to the Windows form the engine works with.
std::u16string Windows(const std::string& native) {
  std::u16string p = Utf8ToUtf16(native);
  for (char16_t& c : p)
    if (c == u'/') c = u'\\';
  return p.size() && p[0] == u'\\' ? u"Z:" + p : p;
}

[[noreturn]] void Fail(const std::string& what, const std::u16string& path, int code) {
  throw PlatformError(what + " \"" + Utf16ToUtf8(path) + "\": " + std::strerror(code), static_cast<std::uint32_t>(code),
                      path);
}

}  // namespace

std::u16string TempFolder() {
  const char* env = std::getenv("TMPDIR");
  std::string folder = env && *env ? env : "/tmp";
  if (folder.back() != '/') folder += '/';
  return Windows(folder);
}

std::u16string CreateUniqueTempFile(const std::u16string& folder, const std::u16string& prefix) {
  // A folder given in native form ("/tmp") gets native separators back.
  const char16_t separator = folder.find(u'\\') == std::u16string::npos && !folder.empty() && folder[0] == u'/'
                                 ? u'/'
                                 : u'\\';
  std::u16string base = folder;
  if (base.empty() || (base.back() != u'\\' && base.back() != u'/')) base += separator;
  const std::u16string head = base + prefix.substr(0, 3);
  // Like GetTempFileNameW: start from a time-derived number and step until a name is free.
  const auto start = static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count());
  for (unsigned i = 0; i < 0x10000; ++i) {
    const unsigned unique = ((start + i) & 0xFFFF) ? ((start + i) & 0xFFFF) : 1;
    char hex[8];
    std::snprintf(hex, sizeof hex, "%X", unique);
    const std::u16string name = head + Utf8ToUtf16(hex) + u".tmp";
    const int fd = ::open(Native(name).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
      ::close(fd);
      return name;
    }
    if (errno != EEXIST) Fail("Cannot create a temporary file in", folder, errno);
  }
  Fail("Cannot create a temporary file in", folder, EEXIST);
}

void FlushFileToDisk(const std::u16string& path) {
  const int fd = ::open(Native(path).c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) Fail("Cannot open file", path, errno);
  const int rc = ::fsync(fd);
  const int code = errno;
  ::close(fd);
  if (rc != 0) Fail("Cannot flush file", path, code);
}

}  // namespace kv::platform
