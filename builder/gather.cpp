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
  for (int i = 0; i < libraries.Count(); ++i) {
    if (!libraries.Checked(i)) continue;
    const std::u16string source = folder + libraries.Name(i);
    if (!StageLibrary(places, source, libraries.Name(i))) {
      EmptyStaging(places);
      boxes.Show(NotStagedText(source), caption, ui::MessageKind::Error, ui::MessageButtons::Ok);
      return;
    }
  }
  show_dialog();
}

}  // namespace kv::builder
