#include "tests/support/scripted_controls.h"

#include <gtest/gtest.h>

namespace kv::test {

void RecordingText::SetText(const std::u16string& text) {
  MemoryText::SetText(text);
  history.push_back(text);
}

void RecordingProgressBar::SetPosition(int position) {
  MemoryProgressBar::SetPosition(position);
  history.push_back(Position());
}

void StrictCheckList::Misused(const std::string& what) const { ADD_FAILURE() << what; }

ui::MessageAnswer ScriptedMessageBoxes::Show(const std::u16string& text, const std::u16string& caption,
                                             ui::MessageKind kind, ui::MessageButtons buttons) {
  shown.push_back({text, caption, kind, buttons});
  if (answers.empty()) return MemoryMessageBoxes::Show(text, caption, kind, buttons);
  const ui::MessageAnswer answer = answers.front();
  answers.pop_front();
  return answer;
}

namespace {

template <typename Answer>
Answer Next(std::deque<Answer>& answers) {
  if (answers.empty()) return std::nullopt;
  Answer answer = std::move(answers.front());
  answers.pop_front();
  return answer;
}

}  // namespace

std::optional<std::u16string> ScriptedSaveDialog::Execute() {
  ++executed;
  return Next(answers);
}

std::optional<std::u16string> ScriptedFolderPicker::Browse(const std::u16string& caption) {
  captions.push_back(caption);
  return Next(answers);
}

void ScriptedMessagePump::ProcessMessages() {
  ++calls;
  if (actions.empty()) return;
  auto action = std::move(actions.front());
  actions.pop_front();
  action();
}

}  // namespace kv::test
