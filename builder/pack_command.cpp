#include "builder/pack_command.h"

#include <exception>
#include <map>
#include <set>

#include "builder/package_build.h"
#include "package/errors.h"
#include "package/manifest.h"
#include "package/recording_archiver.h"
#include "platform/file_system.h"
#include "platform/temp_files.h"

namespace kv::builder {
namespace {

std::u16string FileNameOf(const std::u16string& path) {
  const std::size_t slash = path.find_last_of(u"\\/");
  return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

std::u16string AsciiLower(std::u16string text) {
  for (char16_t& c : text)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return text;
}

// A new empty folder in the system's temporary folder, without trailing backslash.
std::u16string CreateWorkFolder(const std::optional<std::u16string>& temp_folder) {
  const std::u16string reserved =
      platform::CreateUniqueTempFile(temp_folder ? *temp_folder : platform::TempFolder(), u"kvp");
  // The unique file name becomes the folder's: nobody else takes it between the two calls.
  platform::DeleteFileQuietly(reserved);
  if (!platform::CreateFolder(reserved)) throw package::PackageError(u"Unable to create " + reserved);
  return reserved;
}

void RemoveWorkFolder(const std::u16string& folder) {
  const std::size_t slash = folder.find_last_of(u'\\');
  if (slash == std::u16string::npos) return;
  platform::ShellDeleteFiles(folder.substr(0, slash), folder.substr(slash + 1), true);
}

// Stages every library and returns the members' names in the order given.
std::vector<std::u16string> StageAll(const BuildPlaces& places,
                                     const std::vector<std::u16string>& libraries) {
  PrepareStaging(places);
  std::vector<std::u16string> members;
  std::set<std::u16string> taken;
  for (const auto& library : libraries) {
    const std::u16string name = FileNameOf(library);
    if (!taken.insert(AsciiLower(name)).second)
      throw package::PackageError(u"Two libraries are named " + name + u"; no package was built.");
    if (!StageLibrary(places, platform::FullPath(library), name))
      throw package::PackageError(NotStagedText(library));
    members.push_back(name);
  }
  members.push_back(package::kManifestFileName);
  return members;
}

void Build(const PackRequest& request, const BuildPlaces& places, const std::u16string& stub_shown,
           package::RecordingKolZip& archiver, const std::u16string& package) {
  CheckStub(places, stub_shown);
  const std::vector<std::u16string> members = StageAll(places, request.libraries);
  WriteManifestWithStagingCopy(places,
                               {request.path, request.name, package::MemoLinesText(request.description)});
  WritePackageArchive(archiver, places, package, members);
  if (!archiver.AllDone()) {
    platform::DeleteFileQuietly(package);
    throw package::PackageError(u"Some files could not be stored; no package was written.");
  }
}

}  // namespace

int RunPack(const PackRequest& request, const std::u16string& program_folder, const PackOutput& output) {
  BuildPlaces places = BuildPlaces::Beside(program_folder);
  std::u16string stub_shown;
  if (request.stub) {
    places.stub = platform::FullPath(*request.stub);
    stub_shown = *request.stub;
  }
  // Each member as the user named it; the manifest by its name.
  std::map<std::u16string, std::u16string> shown{
      {AsciiLower(package::kManifestFileName), package::kManifestFileName}};
  for (const auto& library : request.libraries) shown.emplace(AsciiLower(FileNameOf(library)), library);
  package::RecordingKolZip archiver;
  archiver.Name = u"archiver";
  ConfigurePackageArchiver(archiver);
  std::u16string last_file;
  archiver.OnFileProgress = [&](archive::TObject&, const std::u16string& file_name, double,
                                archive::TKZProcessOperation, archive::TKZProgressPhase, bool&) {
    if (file_name == last_file) return;
    last_file = file_name;
    const auto found = shown.find(AsciiLower(FileNameOf(file_name)));
    output.progress(u"Compressing " + (found != shown.end() ? found->second : file_name));
  };
  std::u16string work;
  try {
    work = CreateWorkFolder(request.temp_folder);
    places.program_folder = work;
    Build(request, places, stub_shown, archiver, platform::FullPath(request.out));
  } catch (const std::exception& error) {
    if (!work.empty()) RemoveWorkFolder(work);
    output.error(package::ErrorMessage(error));
    return 1;
  }
  RemoveWorkFolder(work);
  output.progress(kBuiltText);
  return 0;
}

}  // namespace kv::builder
