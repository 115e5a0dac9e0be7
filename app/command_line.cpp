#include "app/command_line.h"

#include <build_config.h>

#include <string_view>

namespace vantora {

namespace {

constexpr char kHelp[] =
    "Usage: vantora\n"
    "\n"
    "Vantora is a desktop photo station for registering examinees: it takes a\n"
    "portrait from a camera, prints the identity number under it, saves it as a\n"
    "JPEG named after the number and uploads it to the site's server.\n"
    "The identity number is typed, or put on the clipboard as \"photo<number>\"\n"
    "by another program.\n"
    "\n"
    "Environment:\n"
    "  VANTORA_REGISTRY      settings file (default $XDG_CONFIG_HOME/vantora/registry.reg,\n"
    "                        i.e. ~/.config/vantora/registry.reg)\n"
    "  VANTORA_UPLOAD_RECORD which saved photos reached the server (default\n"
    "                        $XDG_STATE_HOME/vantora/uploads.sqlite,\n"
    "                        i.e. ~/.local/state/vantora/uploads.sqlite)\n"
    "  VANTORA_TEST_CAMERAS  add test-pattern cameras, e.g. \"640x480,1280x720\"\n"
    "  VANTORA_FACE_CASCADES the face check's cascades (default /usr/share/opencv4)\n"
    "  QT_QPA_PLATFORM       Qt platform; in a Wayland session the station runs on\n"
    "                        Xwayland (\"xcb\"), or natively when the X display\n"
    "                        cannot be reached, unless this is set\n"
    "\n"
    "Photos go to the folder chosen in the menu; without one, to the program's\n"
    "folder when the user may write there outside the system's own folders and\n"
    "is not root, otherwise (an installed station) to the pictures folder's\n"
    "Vantora/ (e.g. ~/Pictures/Vantora).\n"
    "\n"
    "Options:\n"
    "  --help     show this text and exit\n"
    "  --version  show the version and the compiled-in servers, and exit\n";

}  // namespace

std::optional<int> AnswerInformationOption(int argc, const char* const* argv, std::ostream& out) {
  if (argc < 2 || argv[1] == nullptr) return std::nullopt;
  const std::string_view option = argv[1];
  if (option == "--help" || option == "-h") {
    out << kHelp;
    return 0;
  }
  if (option == "--version") {
    out << "Vantora " << config::kVersion << "\n"
        << "upload server " << config::kUploadServer << ", FTP server " << config::kFtpServer << "\n";
    return 0;
  }
  return std::nullopt;
}

}  // namespace vantora
