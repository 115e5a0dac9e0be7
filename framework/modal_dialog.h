#pragma once

class QDialog;
class QWidget;

namespace vantora {

// Shows the dialog modally, centred on the owner's window (on the screen
// when there is none) and kept inside the screen, and returns what exec()
// returns. The dialog stays on top of the owner while it is shown.
int ShowModalCentredOn(QDialog& dialog, const QWidget* owner);

}  // namespace vantora
