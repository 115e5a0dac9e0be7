#pragma once

#include <functional>
#include <optional>
#include <string>

namespace vantora {

// Reads one environment variable; nullopt when it is not set.
using EnvironmentLookup = std::function<std::optional<std::string>(const std::string&)>;

// The Qt platform plugin the station asks for, or empty text to leave the
// choice to Qt.
//
// The ID number reaches the station on the clipboard while another program
// has the focus. A native Wayland client hears of a new selection only when
// it gets the keyboard focus; an X11 client hears of it at once, and in a
// Wayland session the X11 clients run on Xwayland, where the desktop decides
// what they are told (see the README). Through Xwayland the station hears at
// once of every number an X11 program puts on the clipboard, on every
// desktop, and of a Wayland program's number on GNOME; running natively it
// would hear of none of them before the operator clicks into it. So in a
// Wayland session with an X display at hand (DISPLAY set) the station asks
// for "xcb;wayland": X11 first, native Wayland when that display cannot be
// reached. An explicit QT_QPA_PLATFORM is the operator's choice and is kept,
// as is every choice outside a Wayland session.
std::string ChooseQtPlatform(const EnvironmentLookup& environment);

// Applies the choice to this process's environment (QT_QPA_PLATFORM), before
// the application object is made.
void ApplyQtPlatformChoice();

}  // namespace vantora
