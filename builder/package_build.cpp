#include "builder/package_build.h"

#include "archive/options.h"
#include "package/errors.h"
#include "platform/file_system.h"

namespace kv::builder {
namespace {

constexpr char16_t kStubName[] = u"mendKit.exe";

}  // namespace

BuildPlaces BuildPlaces::Beside(const std::u16string& program_folder) {
  return {program_folder, program_folder + u"\\" + kStubName};
}

void PrepareStaging(const BuildPlaces& places) {
  const std::u16string staging = places.Staging();
  if (!platform::FolderExists(staging) && !platform::CreateFolder(staging))
    throw package::PackageError(u"Unable to create " + staging);
  EmptyStaging(places);
}

bool StageLibrary(const BuildPlaces& places, const std::u16string& source, const std::u16string& name) {
  const std::u16string target = places.Staging() + u"\\" + name;
  if (!platform::CopyFileReplacing(source, target)) return false;
  // Windows' copy keeps the date already; the stand-in's does not, and the date is what the
  // member carries into the package.
  if (const auto date = platform::GetLastWriteDosTime(source)) platform::SetLastWriteDosTime(target, *date);
  return true;
}

std::u16string NotStagedText(const std::u16string& library) {
  return u"Unable to read " + library + u"; no package was built.";
}

void WriteManifestWithStagingCopy(const BuildPlaces& places, const package::Manifest& manifest) {
  package::WriteManifest(places.ManifestFile(), manifest);
  const std::u16string copy = package::ManifestPath(places.Staging());
  // Without its manifest a package would install under the wrong name and folder.
  if (!platform::CopyFileReplacing(places.ManifestFile(), copy))
    throw package::PackageError(u"Unable to write to " + copy);
}

void CheckStub(const BuildPlaces& places, const std::u16string& shown) {
  if (!platform::FileExists(places.stub))
    throw package::PackageError(u"The installer program " + (shown.empty() ? places.stub : shown) +
                                u" is missing; no package was built.");
}

void ConfigurePackageArchiver(archive::TKolZip& archiver) {
  using namespace kv::archive;
  archiver.SetCompressionLevel(clFastest);
  archiver.SetCompressionMode(1);
  archiver.SetExtractCorruptedFiles(false);
  archiver.SetSpanningMode(smNone);
  archiver.SpanningOptions().SetAdvancedNaming(false);
  archiver.SpanningOptions().SetFirstVolumeSize(0);
  archiver.SpanningOptions().SetVolumeSize(vsAutoDetect);
  archiver.SpanningOptions().SetCustomVolumeSize(65536);
  archiver.Options().SetFlushBuffers(true);
  archiver.Options().SetOEMFileNames(true);
  archiver.SetInMemory(false);
  archiver.SetZip64Mode(zmDisabled);
  archiver.SetUnicodeFilenames(false);
  archiver.SetEncryptionMethod(caPkzipClassic);
}

void WritePackageArchive(archive::TKolZip& archiver, const BuildPlaces& places,
                         const std::u16string& package_file, const std::vector<std::u16string>& members) {
  bool created = false;
  try {
    archiver.SetSFXStub(places.stub);
    archiver.SetTempDir(places.program_folder + u"\\");
    archiver.SetFileName(package_file);
    archiver.OpenArchive(archive::kModeCreate);
    created = true;
    archiver.SetBaseDir(places.Staging());
    if (members.empty()) {
      archiver.AddFiles(u"*.*", archive::kDefaultSearchAttr, u"");
    } else {
      // One update for all, so the members are committed once and in the order asked.
      archiver.BeginUpdate();
      try {
        for (const auto& member : members) archiver.AddFiles(member, archive::kDefaultSearchAttr, u"");
      } catch (...) {
        archiver.CancelUpdate();  // the close below would otherwise commit what was added so far
        throw;
      }
      archiver.EndUpdate();
    }
    archiver.CloseArchive();
  } catch (...) {
    archiver.CloseArchive();
    if (created) platform::DeleteFileQuietly(package_file);
    throw;
  }
}

void EmptyStaging(const BuildPlaces& places) { platform::ShellDeleteFiles(places.Staging(), u"*.*", true, places.owner_window);
}

}  // namespace kv::builder
