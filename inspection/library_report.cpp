#include "inspection/library_report.h"

#include <algorithm>
#include <cctype>
#include <exception>

#include "inspection/pe_image.h"
#include "inspection/problem_texts.h"
#include "platform/unicode.h"

namespace kv::inspection {
namespace {

constexpr std::string_view kComEntryPoints[] = {"DllRegisterServer", "DllUnregisterServer", "DllInstall"};
constexpr char16_t kDash[] = u" \u2014 ";

std::u16string FolderOf(const std::u16string& path) {
  const std::size_t slash = path.find_last_of(u"\\/");
  return slash == std::u16string::npos ? std::u16string() : path.substr(0, slash);
}

std::u16string Wide(std::string_view text) { return platform::Utf8ToUtf16(text); }

void AddOnce(std::vector<std::string>& names, const std::string& name) {
  const auto same = [&name](const std::string& other) {
    return std::equal(name.begin(), name.end(), other.begin(), other.end(), [](char a, char b) {
      return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
  };
  if (std::none_of(names.begin(), names.end(), same)) names.push_back(name);
}

// The DLL a forwarder string "OTHER.Function" leads to.
std::string ForwardTarget(const std::string& forwarded_to) {
  const std::size_t dot = forwarded_to.find('.');
  return dot == std::string::npos ? std::string() : forwarded_to.substr(0, dot) + ".dll";
}

std::vector<std::string> DependenciesOf(const PeImage& image) {
  std::vector<std::string> names;
  for (const auto& name : image.imports) AddOnce(names, name);
  for (const auto& name : image.delay_imports) AddOnce(names, name);
  for (const auto& entry : image.exports)
    if (!entry.forwarded_to.empty() && image.Exports(entry.name) &&
        std::find(std::begin(kComEntryPoints), std::end(kComEntryPoints), entry.name) !=
            std::end(kComEntryPoints))
      AddOnce(names, ForwardTarget(entry.forwarded_to));
  return names;
}

std::string LowerAscii(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Looks up every dependency; those found beside the library are followed one level further,
// since the loader needs theirs too.
void FindMissing(LibraryReport& report, Machine machine, DependencyLookup& lookup) {
  const std::u16string own_folder = FolderOf(report.path);
  for (const auto& name : report.imports) {
    const auto found = lookup.Find(name, machine, own_folder);
    if (!found) {
      AddOnce(report.missing, name);
      continue;
    }
    if (found->empty() || *found != own_folder) continue;
    const PeReadResult next = ReadPeImageFile(own_folder + u"\\" + Wide(name));
    if (!next.image) continue;
    for (const auto& second : DependenciesOf(*next.image)) {
      if (LowerAscii(second) == LowerAscii(name)) continue;
      if (!lookup.Find(second, machine, own_folder)) AddOnce(report.missing, second);
    }
  }
}

std::u16string WindowsName(Machine native) {
  return native == Machine::x86 ? u"32-bit" : Wide(MachineName(native));
}

std::u16string MissingText(const std::vector<std::string>& missing) {
  std::u16string text = missing.size() == 1 ? texts::kMissingDependency : texts::kMissingDependencies;
  for (std::size_t i = 0; i < missing.size(); ++i) text += (i ? u", " : u"") + Wide(missing[i]);
  return text;
}

// The first reason, in the order a person would want to hear them, why it cannot register.
std::u16string ProblemOf(const LibraryReport& report, const platform::SystemLayout& layout) {
  if (!report.dll) return texts::kExecutableProgram;
  if (!report.com_server) return report.dotnet ? texts::kDotNetAssembly : texts::kNotComServer;
  if (!report.hostable)
    return std::u16string(texts::kCannotRunHere) + u" (" + Wide(MachineName(*report.machine)) +
           u" library on " + WindowsName(layout.native_machine) + u" Windows)";
  if (!report.missing.empty()) return MissingText(report.missing);
  return {};
}

}  // namespace

const char* MachineName(Machine machine) {
  switch (machine) {
    case Machine::x86:
      return "x86";
    case Machine::x64:
      return "x64";
    case Machine::arm64:
      return "arm64";
    case Machine::other:
      break;
  }
  return "other";
}

bool CanHost(Machine library, const platform::SystemLayout& layout) {
  if (library == Machine::other) return false;
  if (layout.windows_folder.empty()) return library != Machine::arm64;  // the stand-in: x64
  switch (layout.native_machine) {
    case Machine::x86:
      return library == Machine::x86;
    case Machine::x64:
      return library != Machine::arm64;
    case Machine::arm64:
      return true;  // x64 libraries run emulated on Windows 11 for ARM
    case Machine::other:
      break;
  }
  return false;
}

LibraryReport InspectLibrary(const std::u16string& path, DependencyLookup& lookup) {
  LibraryReport report;
  report.path = path;
  try {
    const PeReadResult read = ReadPeImageFile(path);
    if (!read.image) {
      report.problem = read.problem;
      report.hostable = false;
      return report;
    }
    const PeImage& image = *read.image;
    report.machine = image.machine;
    report.dll = image.is_dll;
    report.dotnet = image.is_dotnet;
    report.com_server = image.is_dll && image.Exports("DllRegisterServer");
    for (const auto name : kComEntryPoints)
      if (image.Exports(name)) report.exports.emplace_back(name);
    report.imports = DependenciesOf(image);
    report.hostable = CanHost(image.machine, lookup.layout());
    if (report.dll) FindMissing(report, image.machine, lookup);
    report.problem = ProblemOf(report, lookup.layout());
    // A table the reader could not follow may be why the entry point or a dependency is not seen.
    if (report.dll && !read.problem.empty() && (report.problem.empty() || !report.com_server))
      report.problem = read.problem;
  } catch (const std::exception&) {
    // Reading never throws by contract; a failure to allocate is the one way left.
    if (report.problem.empty()) report.problem = u"cannot be read";
  }
  return report;
}

std::u16string Verdict(const LibraryReport& report) {
  if (!report.machine) return u"not a library";
  const std::u16string machine = Wide(MachineName(*report.machine));
  if (!report.dll) return machine + u" program, not a library";
  if (!report.com_server) return machine + (report.dotnet ? u" .NET assembly" : u" \u2014 not a COM server");
  if (!report.hostable) return machine + kDash + u"cannot run on this Windows";
  if (!report.missing.empty()) {
    std::u16string text = machine + kDash + u"missing " + Wide(report.missing.front());
    if (report.missing.size() > 1) text += u" +" + Wide(std::to_string(report.missing.size() - 1)) + u" more";
    return text;
  }
  return machine + u" COM server";
}

}  // namespace kv::inspection
