// The main window's photo road: taking the portrait and saving it.
#include "app/main_window.h"

namespace vantora {

void TMain::BitBtn1Click() {}

void TMain::BitBtn2Click() {}

}  // namespace vantora
