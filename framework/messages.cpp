#include "framework/messages.h"

#include <algorithm>

namespace vantora {

namespace {

bool Has(const std::vector<MsgButton>& buttons, MsgButton b) {
  return std::find(buttons.begin(), buttons.end(), b) != buttons.end();
}

}  // namespace

MessageBoxRequest MessageDlgRequest(const std::string& text, MsgDlgType type,
                                    std::initializer_list<MsgButton> buttons) {
  MessageBoxRequest r;
  r.text = text;
  switch (type) {
    case MsgDlgType::Information:
      r.caption = "Information";
      r.icon = MsgIcon::Information;
      break;
    case MsgDlgType::Confirmation:
      r.caption = "Confirm";
      r.icon = MsgIcon::Question;
      break;
    case MsgDlgType::Error:
      r.caption = "Error";
      r.icon = MsgIcon::Stop;
      break;
    case MsgDlgType::Warning:
      r.caption = "Warning";
      r.icon = MsgIcon::Exclamation;
      break;
  }
  r.buttons.assign(buttons.begin(), buttons.end());
  if (r.buttons.empty()) r.buttons.push_back(MsgButton::OK);
  if (Has(r.buttons, MsgButton::OK)) {
    r.enterButton = MsgButton::OK;
  } else if (Has(r.buttons, MsgButton::Yes)) {
    r.enterButton = MsgButton::Yes;
  } else {
    r.enterButton = r.buttons.front();
  }
  if (Has(r.buttons, MsgButton::Cancel)) {
    r.escapeButton = MsgButton::Cancel;
  } else if (Has(r.buttons, MsgButton::No)) {
    r.escapeButton = MsgButton::No;
  } else if (Has(r.buttons, MsgButton::OK)) {
    r.escapeButton = MsgButton::OK;
  } else {
    r.escapeButton = MsgButton::None;  // Esc does nothing: the box needs an answer
  }
  return r;
}

MsgButton MessageDlg(const std::string& text, MsgDlgType type, std::initializer_list<MsgButton> buttons) {
  return ActivePrompter().ShowMessage(MessageDlgRequest(text, type, buttons));
}

}  // namespace vantora
