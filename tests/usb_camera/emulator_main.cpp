// The emulated USB cameras as a process of their own, driven line by line
// on standard input, so that a test or a benchmark can start them, hand the
// station the environment they print, and plug, unplug and break cameras
// while the station runs. Ends when its input ends.
//
//   usb_camera_emulator [--camera NAME --modes MODES [--port N]]...
//
// It first prints the environment for the station, one VAR=value a line,
// then "ready". Commands, each answered by one line "ok ..." or "error ...":
//   add PORT MODES NAME...      -> ok INDEX /dev/videoN
//   unplug INDEX | plug INDEX [PORT] -> ok [/dev/videoN]
//   fault INDEX none|busy-format|busy-first-format|busy-stream|stop|vanish-after FRAMES
//   scene INDEX SCENE           what the camera films (camera_scene.h), e.g.
//                                  scene 0 plain sway=4 face=114,140,120
//   state INDEX                 -> ok present=1 node=/dev/video0 streaming=1 frames=N last=N open=N
//                                  size=WxH format=MJPG interval=1/30 scene-from=N
#include <csignal>
#include <iostream>
#include <sstream>
#include <string>

#include "tests/usb_camera/usb_camera_emulator.h"
#include "tests/usb_camera/usb_camera_environment.h"

using namespace vantora::testing;

namespace {

std::string Answer(UsbCameraEmulator& emulator, const std::string& line) {
  std::istringstream in(line);
  std::string command;
  in >> command;
  if (command == "add") {
    UsbCameraSetup setup;
    std::string modes;
    in >> setup.usb_port >> modes;
    std::getline(in >> std::ws, setup.name);
    setup.modes = ParseCameraModes(modes);
    int index = emulator.Add(setup);
    return "ok " + std::to_string(index) + " " + emulator.State(index).node;
  }
  int index = -1;
  in >> index;
  if (command == "unplug") return emulator.Unplug(index), "ok";
  if (command == "plug") {
    std::string port;
    in >> port;
    return emulator.Plug(index, port), "ok " + emulator.State(index).node;
  }
  if (command == "fault") {
    std::string kind;
    int frames = 0;
    in >> kind >> frames;
    UsbCameraFault fault = kind == "busy-format"    ? UsbCameraFault::kBusyFormat
                           : kind == "busy-first-format" ? UsbCameraFault::kBusyFirstFormat
                           : kind == "busy-stream"  ? UsbCameraFault::kBusyStreamOn
                           : kind == "stop"         ? UsbCameraFault::kStopFrames
                           : kind == "vanish-after" ? UsbCameraFault::kVanishAfterFrames
                           : kind == "none"         ? UsbCameraFault::kNone
                                                    : throw std::invalid_argument("unknown fault " + kind);
    emulator.SetFault(index, fault, frames);
    return "ok";
  }
  if (command == "scene") {
    std::string scene;
    std::getline(in >> std::ws, scene);
    emulator.SetScene(index, CameraScene::Parse(scene));
    return "ok";
  }
  if (command == "state") {
    UsbCameraState s = emulator.State(index);
    return "ok present=" + std::to_string(s.present) + " node=" + (s.node.empty() ? "-" : s.node) +
           " streaming=" + std::to_string(s.streaming) + " frames=" + std::to_string(s.frames) +
           " last=" + std::to_string(s.last_frame) + " open=" + std::to_string(s.open_descriptors) +
           " size=" + std::to_string(s.width) + "x" + std::to_string(s.height) +
           " format=" + std::string(reinterpret_cast<const char*>(&s.fourcc), 4).c_str() +
           " interval=" + std::to_string(s.interval.numerator) + "/" + std::to_string(s.interval.denominator) +
           " scene-from=" + std::to_string(s.scene_from);
  }
  throw std::invalid_argument("unknown command '" + command + "'");
}

}  // namespace

int main(int argc, char** argv) {
  // Asked to end (a test's clean-up), it ends as when its input ends, so the
  // testbed's folder goes with it: the signal only interrupts the read.
  struct sigaction stop {};
  stop.sa_handler = [](int) {};
  sigaction(SIGTERM, &stop, nullptr);
  sigaction(SIGINT, &stop, nullptr);
  try {
    if (!RunsWithPreload(UmockdevPreload())) {
      BuildRegistry(ProgramRegistry());  // for the station, outside the emulation
      ReexecWithPreload(UmockdevPreload(), argv);
    }
    UsbCameraEmulator emulator;
    int port = 1;
    for (int i = 1; i < argc; i += 4) {
      if (i + 3 >= argc || std::string(argv[i]) != "--camera" || std::string(argv[i + 2]) != "--modes") {
        std::cerr << "usage: usb_camera_emulator [--camera NAME --modes MODES]...\n";
        return 2;
      }
      emulator.Add({argv[i + 1], std::to_string(port++), ParseCameraModes(argv[i + 3])});
    }
    for (const auto& [name, value] : StationEnvironment(emulator.Root(), ProgramRegistry())) {
      std::cout << name << "=" << value << "\n";
    }
    std::cout << "ready" << std::endl;
    for (std::string line; std::getline(std::cin, line);) {
      if (line.empty()) continue;
      try {
        std::cout << Answer(emulator, line) << std::endl;
      } catch (const std::exception& e) {
        std::cout << "error " << e.what() << std::endl;
      }
    }
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "usb_camera_emulator: " << e.what() << "\n";
    return 1;
  }
}
