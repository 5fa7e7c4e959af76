#include "installer/uninstall_record.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "platform/errors.h"
#include "platform/file_stream.h"
#include "platform/file_system.h"
#include "platform/temp_files.h"
#include "platform/unicode.h"

namespace kv::installer {
namespace {

using platform::Machine;

struct MachineName {
  Machine machine;
  std::u16string_view name;
};
constexpr std::array kMachineNames{MachineName{Machine::x86, u"x86"}, MachineName{Machine::x64, u"x64"},
                                   MachineName{Machine::arm64, u"arm64"}, MachineName{Machine::other, u"other"}};

constexpr std::u16string_view kPackageKey = u"Package=";
constexpr std::u16string_view kFileKey = u"File=";
constexpr std::u16string_view kLibraryKey = u"Library=";

std::u16string Folded(std::u16string_view text) {
  std::u16string folded(text);
  for (char16_t& c : folded)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return folded;
}

bool SameName(std::u16string_view a, std::u16string_view b) { return Folded(a) == Folded(b); }

// A name inside the folder: not empty, no drive or root, no ".." step.
bool StaysInside(std::u16string_view name) {
  if (name.empty() || name.front() == u'\\' || name.front() == u'/' || name.find(u':') != std::u16string_view::npos)
    return false;
  std::size_t start = 0;
  while (start <= name.size()) {
    const std::size_t end = std::min(name.find_first_of(u"\\/", start), name.size());
    const std::u16string_view step = name.substr(start, end - start);
    if (step == u".." || step.empty()) return false;
    start = end + 1;
  }
  return true;
}

std::u16string_view MachineText(Machine machine) {
  for (const auto& entry : kMachineNames)
    if (entry.machine == machine) return entry.name;
  return u"other";
}

std::optional<RecordedLibrary> ParseLibrary(std::u16string_view text) {
  const std::size_t space = text.find(u' ');
  if (space == std::u16string_view::npos) return std::nullopt;
  for (const auto& entry : kMachineNames)
    if (text.substr(0, space) == entry.name) return RecordedLibrary{std::u16string(text.substr(space + 1)), entry.machine};
  return std::nullopt;
}

template <typename Entry, typename Name>
void AddOnce(std::vector<Entry>& entries, const Entry& entry, Name name_of) {
  const auto same = std::ranges::find_if(entries, [&](const Entry& e) { return SameName(name_of(e), name_of(entry)); });
  if (same == entries.end()) entries.push_back(entry);
  else *same = entry;
}

std::vector<std::u16string> SplitLines(std::u16string_view text) {
  std::vector<std::u16string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(u'\n', start);
    if (end == std::u16string_view::npos) end = text.size();
    std::u16string line(text.substr(start, end - start));
    if (!line.empty() && line.back() == u'\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

}  // namespace

void UninstallRecord::Merge(const UninstallRecord& later) {
  if (!later.package_name.empty()) package_name = later.package_name;
  for (const auto& file : later.files) AddOnce(files, file, [](const std::u16string& f) { return f; });
  for (const auto& library : later.libraries)
    AddOnce(libraries, library, [](const RecordedLibrary& l) { return l.name; });
}

std::u16string RecordPath(const std::u16string& folder) { return folder + u"\\" + kRecordFileName; }
std::u16string UninstallerPath(const std::u16string& folder) { return folder + u"\\" + kUninstallerFileName; }

std::vector<std::u16string> RecordLines(const UninstallRecord& record) {
  std::vector<std::u16string> lines{std::u16string(kPackageKey) + record.package_name};
  for (const auto& file : record.files) lines.push_back(std::u16string(kFileKey) + file);
  for (const auto& library : record.libraries)
    lines.push_back(std::u16string(kLibraryKey) + std::u16string(MachineText(library.machine)) + u" " + library.name);
  return lines;
}

UninstallRecord ParseRecordLines(const std::vector<std::u16string>& lines) {
  UninstallRecord record;
  for (const std::u16string& line : lines) {
    const std::u16string_view text(line);
    if (text.starts_with(kPackageKey)) {
      record.package_name = line.substr(kPackageKey.size());
    } else if (text.starts_with(kFileKey)) {
      const std::u16string name = line.substr(kFileKey.size());
      if (StaysInside(name)) AddOnce(record.files, name, [](const std::u16string& f) { return f; });
    } else if (text.starts_with(kLibraryKey)) {
      const auto library = ParseLibrary(text.substr(kLibraryKey.size()));
      if (library && StaysInside(library->name))
        AddOnce(record.libraries, *library, [](const RecordedLibrary& l) { return l.name; });
    }
  }
  return record;
}

std::optional<UninstallRecord> ReadUninstallRecord(const std::u16string& folder) {
  try {
    platform::File file = platform::File::Open(RecordPath(folder), platform::kOpenRead | platform::kShareDenyWrite);
    std::string bytes(static_cast<std::size_t>(file.Size()), '\0');
    if (file.Read(bytes.data(), bytes.size()) != bytes.size()) return std::nullopt;
    return ParseRecordLines(SplitLines(platform::Utf8ToUtf16(bytes)));
  } catch (const platform::PlatformError&) {
    return std::nullopt;
  }
}

void WriteUninstallRecord(const std::u16string& folder, const UninstallRecord& record) {
  std::string bytes;
  for (const auto& line : RecordLines(record)) bytes += platform::Utf16ToUtf8(line) + "\r\n";
  const std::u16string temp = platform::CreateUniqueTempFile(folder, u"kvr");
  bool placed = false;
  try {
    {
      platform::File file = platform::File::Open(temp, platform::kOpenCreate);
      if (file.Write(bytes.data(), bytes.size()) != bytes.size() || !file.Flush())
        throw platform::PlatformError("Cannot write the uninstall record", 0, temp);
    }
    placed = platform::MoveFileReplacing(temp, RecordPath(folder));
    if (!placed) throw platform::PlatformError("Cannot write the uninstall record", 0, RecordPath(folder));
  } catch (...) {
    if (!placed) platform::DeleteFileAt(temp);
    throw;
  }
}

}  // namespace kv::installer
