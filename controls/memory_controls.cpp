#include "controls/memory_controls.h"

#include <algorithm>
#include <stdexcept>

namespace kv::ui {

void MemoryText::SetText(const std::u16string& text) {
  if (text == text_) return;
  text_ = text;
  if (on_change) on_change(text_);
}

void MemoryProgressBar::SetPosition(int position) { position_ = std::clamp(position, 0, 100); }

void MemoryCheckList::Clear() {
  entries_.clear();
  selected_ = -1;
}

void MemoryCheckList::SetSelectedIndex(int index) {
  if (index < -1 || index >= Count())
    Misused("selected index " + std::to_string(index) + " outside the list");
  selected_ = index;
}

std::vector<std::u16string> MemoryCheckList::Names() const {
  std::vector<std::u16string> names;
  for (const auto& entry : entries_) names.push_back(entry.name);
  return names;
}

void MemoryCheckList::TickNames(const std::vector<std::u16string>& names) {
  for (auto& entry : entries_)
    if (std::find(names.begin(), names.end(), entry.name) != names.end()) entry.checked = true;
}

void MemoryCheckList::Misused(const std::string& /*what*/) const {}

MemoryCheckList::Entry& MemoryCheckList::At(int index) {
  return const_cast<Entry&>(static_cast<const MemoryCheckList&>(*this).At(index));
}

const MemoryCheckList::Entry& MemoryCheckList::At(int index) const {
  if (index < 0 || index >= Count()) {
    Misused("check-list read at " + std::to_string(index) + " beyond its " + std::to_string(Count()) +
            " entries");
    throw std::out_of_range("check-list index");
  }
  return entries_[static_cast<std::size_t>(index)];
}

void MemoryLineList::Append(const std::u16string& line) {
  lines_.push_back(line);
  if (on_append) on_append(line);
}

MessageAnswer MemoryMessageBoxes::Show(const std::u16string& text, const std::u16string& /*caption*/,
                                       MessageKind kind, MessageButtons buttons) {
  if (on_show) on_show(text, kind);
  return answer ? answer(buttons) : MessageAnswer::Ok;
}

}  // namespace kv::ui
