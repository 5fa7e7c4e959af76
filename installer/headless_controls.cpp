#include "installer/headless_controls.h"

namespace kv::installer {

void LoggedLines::Append(const std::u16string& line) {
  lines_.push_back(line);
  log_.Add(line);
}

void LoggedLabel::SetText(const std::u16string& text) {
  if (text == text_) return;
  text_ = text;
  log_.Add(text);
}

ui::MessageAnswer LoggedMessageBoxes::Show(const std::u16string& text, const std::u16string&, ui::MessageKind,
                                           ui::MessageButtons buttons) {
  log_.Add(text);
  switch (buttons) {
    case ui::MessageButtons::YesNoNoToAllYesToAll:
      return ui::MessageAnswer::NoToAll;
    case ui::MessageButtons::AbortRetryIgnore:
      return ui::MessageAnswer::Ignore;
    case ui::MessageButtons::YesNo:
    case ui::MessageButtons::YesNoCancel:
      return ui::MessageAnswer::No;
    case ui::MessageButtons::OkCancel:
      return ui::MessageAnswer::Cancel;
    case ui::MessageButtons::Ok:
      break;
  }
  return ui::MessageAnswer::Ok;
}

void HeadlessWindow::Close() {
  if (closed) return;
  closed = !on_close_query || on_close_query();
}

}  // namespace kv::installer
