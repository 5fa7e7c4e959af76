#include "tests/support/fake_controls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

namespace kv::test {

void FakeProgressBar::SetPosition(int position) {
  position_ = std::clamp(position, 0, 100);
  history.push_back(position_);
}

void FakeCheckList::Clear() {
  entries_.clear();
  selected_ = -1;
}

void FakeCheckList::SetSelectedIndex(int index) {
  if (index < -1 || index >= Count()) ADD_FAILURE() << "selected index " << index << " outside the list";
  selected_ = index;
}

std::vector<std::u16string> FakeCheckList::Names() const {
  std::vector<std::u16string> names;
  for (const auto& e : entries_) names.push_back(e.name);
  return names;
}

void FakeCheckList::TickNames(const std::vector<std::u16string>& names) {
  for (auto& e : entries_)
    if (std::find(names.begin(), names.end(), e.name) != names.end()) e.checked = true;
}

FakeCheckList::Entry& FakeCheckList::At(int index) {
  return const_cast<Entry&>(static_cast<const FakeCheckList&>(*this).At(index));
}

const FakeCheckList::Entry& FakeCheckList::At(int index) const {
  if (index < 0 || index >= Count()) {
    ADD_FAILURE() << "check-list read at " << index << " beyond its " << Count() << " entries";
    throw std::out_of_range("check-list index");
  }
  return entries_[static_cast<size_t>(index)];
}

ui::MessageAnswer FakeMessageBoxes::Show(const std::u16string& text, const std::u16string& caption,
                                         ui::MessageKind kind, ui::MessageButtons buttons) {
  shown.push_back({text, caption, kind, buttons});
  if (answers.empty()) return default_answer;
  const ui::MessageAnswer answer = answers.front();
  answers.pop_front();
  return answer;
}

std::optional<std::u16string> FakeSaveDialog::Execute() {
  ++executed;
  if (answers.empty()) return std::nullopt;
  auto answer = answers.front();
  answers.pop_front();
  return answer;
}

std::optional<std::u16string> FakeFolderPicker::Browse(const std::u16string& caption) {
  captions.push_back(caption);
  if (answers.empty()) return std::nullopt;
  auto answer = answers.front();
  answers.pop_front();
  return answer;
}

void FakeMessagePump::ProcessMessages() {
  ++calls;
  if (actions.empty()) return;
  auto action = std::move(actions.front());
  actions.pop_front();
  action();
}

}  // namespace kv::test
