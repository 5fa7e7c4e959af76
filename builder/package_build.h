#pragma once
// The steps of building a MendKit package, shared by the package dialog and the command line: the
// staging folder "Temp" in the build's work folder (beside the registration tool for the window, a
// temporary folder for the command line), the manifest there with its staging copy, and the
// archive object that writes the installer program followed by the staged files.
#include <string>
#include <vector>

#include "archive/kolzip.h"
#include "package/manifest.h"

namespace kv::builder {

// What the dialog and kolvane-cli pack say when a package was written.
inline constexpr char16_t kBuiltText[] = u"MendKit successfully built!";

// Where a build reads and writes (folders without trailing backslash): staging folder, manifest and
// the engine's temporary files all live in `program_folder`, the build's work folder.
struct BuildPlaces {
  std::u16string program_folder;
  std::u16string stub;  // the installer program put in front of every package
  // The window that owns what the system shows while the staging folder is emptied (the main
  // window, as an opaque HWND); nothing for the command line.
  void* owner_window = nullptr;

  // The installer program beside the registration tool.
  static BuildPlaces Beside(const std::u16string& program_folder);
  std::u16string Staging() const { return program_folder + u"\\Temp"; }
  std::u16string ManifestFile() const { return package::ManifestPath(program_folder); }
};

// Creates the staging folder when missing and empties it, so that nothing of an earlier selection
// slips into the next package. Throws PackageError when the folder cannot be created.
void PrepareStaging(const BuildPlaces& places);

// Copies one library into the staging folder under `name`, replacing a file of that name, with the
// source's last-write time (the member's date in the package). Returns whether the copy succeeded.
bool StageLibrary(const BuildPlaces& places, const std::u16string& source, const std::u16string& name);

// The message that stops a build when `library` (as the user named it) cannot be staged: a package
// quietly without one of the chosen libraries would install as if complete.
std::u16string NotStagedText(const std::u16string& library);

// Writes the manifest beside the registration tool and copies it into the staging folder.
// Throws PackageError "Unable to write to <file>" when either cannot be written.
void WriteManifestWithStagingCopy(const BuildPlaces& places, const package::Manifest& manifest);

// Throws PackageError naming the installer program (as `shown`, by default its full path) when it
// is not there, before anything is written.
void CheckStub(const BuildPlaces& places, const std::u16string& shown = {});

// The settings of the package build's archive object (events and prompts are left to the caller).
void ConfigurePackageArchiver(archive::TKolZip& archiver);

// Creates `package_file` as the installer program followed by an archive of every file of the
// staging folder, compressed at level 1: with `members` empty in the order the file system lists
// them, otherwise exactly the staged files named by `members`, in that order. Engine errors pass
// through; on any error the archive is closed and the package file this call created is deleted,
// so no half-written package remains.
void WritePackageArchive(archive::TKolZip& archiver, const BuildPlaces& places,
                         const std::u16string& package_file, const std::vector<std::u16string>& members = {});

// Deletes everything in the staging folder, subfolders included.
void EmptyStaging(const BuildPlaces& places);

}  // namespace kv::builder
