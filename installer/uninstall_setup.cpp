#include "installer/uninstall_setup.h"

#include <algorithm>
#include <vector>

#include "platform/errors.h"
#include "platform/file_stream.h"
#include "platform/file_system.h"
#include "platform/temp_files.h"

namespace kv::installer {
namespace {

std::uint32_t SizeInKilobytes(const std::u16string& folder, const UninstallRecord& record) {
  std::int64_t total = 0;
  for (const auto& name : record.files) {
    try {
      total += platform::File::Open(folder + u"\\" + name, platform::kOpenRead | platform::kShareDenyNone).Size();
    } catch (const platform::PlatformError&) {
      // A file that cannot be read now counts for nothing in an estimate.
    }
  }
  return static_cast<std::uint32_t>(std::min<std::int64_t>((total + 1023) / 1024, 0xFFFFFFFF));
}

}  // namespace

void CopyLeadingBytes(const std::u16string& from, std::int64_t size, const std::u16string& to) {
  const std::size_t slash = to.find_last_of(u'\\');
  const std::u16string temp = platform::CreateUniqueTempFile(to.substr(0, slash), u"kvu");
  bool placed = false;
  try {
    {
      platform::File source = platform::File::Open(from, platform::kOpenRead | platform::kShareDenyWrite);
      platform::File target = platform::File::Open(temp, platform::kOpenCreate);
      std::vector<char> buffer(64 * 1024);
      for (std::int64_t left = size; left > 0;) {
        const std::size_t step = static_cast<std::size_t>(std::min<std::int64_t>(left, buffer.size()));
        if (source.Read(buffer.data(), step) != step || target.Write(buffer.data(), step) != step)
          throw platform::PlatformError("Cannot write the uninstaller", 0, to);
        left -= static_cast<std::int64_t>(step);
      }
      if (!target.Flush()) throw platform::PlatformError("Cannot write the uninstaller", 0, to);
    }
    placed = platform::MoveFileReplacing(temp, to);
    if (!placed) throw platform::PlatformError("Cannot write the uninstaller", 0, to);
  } catch (...) {
    if (!placed) platform::DeleteFileAt(temp);
    throw;
  }
}

void SetUpUninstall(const InstalledPackage& package, platform::RegistryHive& machine_hive) {
  CopyLeadingBytes(package.program_path, package.stub_size, UninstallerPath(package.folder));
  UninstallRecord record = ReadUninstallRecord(package.folder).value_or(UninstallRecord{});
  record.Merge(package.record);
  WriteUninstallRecord(package.folder, record);
  WriteUninstallEntry(machine_hive, {record.package_name, package.folder, package.publisher, package.version,
                                     SizeInKilobytes(package.folder, record)});
}

}  // namespace kv::installer
