// The main window's single-photo upload.
#include "app/main_window.h"

namespace vantora {

void TMain::BitBtn4Click() {}

}  // namespace vantora
