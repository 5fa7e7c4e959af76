#include "builder/pack_command.h"

#include <exception>

#include "package/errors.h"
#include "package/manifest.h"
#include "builder/package_build.h"
#include "package/recording_archiver.h"
#include "platform/file_system.h"

namespace kv::builder {
namespace {

std::u16string FileNameOf(const std::u16string& path) {
  const std::size_t slash = path.find_last_of(u"\\/");
  return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

void StageAll(const BuildPlaces& places, const std::vector<std::u16string>& libraries) {
  PrepareStaging(places);
  for (const auto& library : libraries)
    if (!StageLibrary(places, platform::FullPath(library), FileNameOf(library)))
      throw package::PackageError(u"Unable to read " + library);
}

void Build(const PackRequest& request, const BuildPlaces& places, package::RecordingKolZip& archiver,
           const std::u16string& package) {
  CheckStub(places);
  StageAll(places, request.libraries);
  WriteManifestWithStagingCopy(places, {request.path, request.name, package::MemoLinesText(request.description)});
  WritePackageArchive(archiver, places, package);
  if (!archiver.AllDone()) {
    platform::DeleteFileQuietly(package);
    throw package::PackageError(u"Some files could not be stored; no package was written.");
  }
}

}  // namespace

int RunPack(const PackRequest& request, const std::u16string& program_folder, const PackOutput& output) {
  BuildPlaces places = BuildPlaces::Beside(program_folder);
  if (request.stub) places.stub = platform::FullPath(*request.stub);
  package::RecordingKolZip archiver;
  archiver.Name = u"archiver";
  ConfigurePackageArchiver(archiver);
  std::u16string last_file;
  archiver.OnFileProgress = [&](archive::TObject&, const std::u16string& file_name, double,
                                archive::TKZProcessOperation, archive::TKZProgressPhase, bool&) {
    if (file_name != last_file) output.progress(u"Compressing " + file_name);
    last_file = file_name;
  };
  try {
    Build(request, places, archiver, platform::FullPath(request.out));
  } catch (const std::exception& error) {
    EmptyStaging(places);
    output.error(package::ErrorMessage(error));
    return 1;
  }
  EmptyStaging(places);
  output.progress(kBuiltText);
  return 0;
}

}  // namespace kv::builder
