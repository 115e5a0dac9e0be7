#pragma once

#include <initializer_list>
#include <string>

#include "framework/prompter.h"

namespace vantora {

enum class MsgDlgType { Information, Confirmation, Error, Warning };

// A modal box, centred on the screen, with the caption and icon of its kind:
// "Information", "Confirm", "Error" or "Warning". Enter picks OK when shown,
// otherwise Yes; Esc picks Cancel when shown, otherwise No, otherwise OK.
// Returns the button pressed.
MsgButton MessageDlg(const std::string& text, MsgDlgType type, std::initializer_list<MsgButton> buttons);

// The request MessageDlg hands to the prompter; exposed for tests.
MessageBoxRequest MessageDlgRequest(const std::string& text, MsgDlgType type,
                                    std::initializer_list<MsgButton> buttons);

}  // namespace vantora
