#include "builder/gather.h"

namespace kv::builder {
namespace {

bool AnyTicked(const ui::CheckList& libraries) {
  for (int i = 0; i < libraries.Count(); ++i)
    if (libraries.Checked(i)) return true;
  return false;
}

}  // namespace

void GatherTickedLibraries(const ui::CheckList& libraries, const std::u16string& folder,
                           const BuildPlaces& places, ui::MessageBoxes& boxes, const std::u16string& caption,
                           const std::function<void()>& show_dialog) {
  if (!AnyTicked(libraries)) {
    boxes.Show(kNothingTickedText, caption, ui::MessageKind::Information, ui::MessageButtons::Ok);
    return;
  }
  PrepareStaging(places);
  for (int i = 0; i < libraries.Count(); ++i)
    if (libraries.Checked(i)) StageLibrary(places, folder + libraries.Name(i), libraries.Name(i));
  show_dialog();
}

}  // namespace kv::builder
