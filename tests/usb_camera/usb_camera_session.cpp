#include "tests/usb_camera/usb_camera_session.h"

#include <gst/gst.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <stdexcept>

#include "tests/usb_camera/usb_camera_environment.h"

extern char** environ;

namespace vantora::testing {
namespace {

constexpr auto kAnswerTimeout = std::chrono::seconds(20);
constexpr const char* kInEmulation = "VANTORA_IN_CAMERA_EMULATION";

// This process's environment without the variables the emulator must not
// inherit: it is the testbed's host, not one of its users.
std::vector<std::string> EmulatorEnvironment() {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    std::string entry = *e;
    if (entry.rfind("LD_PRELOAD=", 0) == 0 || entry.rfind("UMOCKDEV_DIR=", 0) == 0 ||
        entry.rfind(std::string(kInEmulation) + "=", 0) == 0) {
      continue;
    }
    env.push_back(entry);
  }
  return env;
}

}  // namespace

void EnterCameraEmulation(char** argv) {
  if (std::getenv(kInEmulation)) return;
  // Built here, before the preload libraries are in: the v4l2 plugin probes
  // device nodes while the registry is built.
  setenv("GST_REGISTRY", ProgramRegistry().c_str(), 1);
  gst_init(nullptr, nullptr);
  setenv("GST_REGISTRY_UPDATE", "no", 1);
  unsetenv("GST_V4L2_USE_LIBV4L2");
  setenv(kInEmulation, "1", 1);
  ReexecWithPreload(EmulationPreload(), argv);
}

EmulatedCameras::EmulatedCameras() {
  int to[2], from[2];
  if (pipe2(to, O_CLOEXEC) != 0 || pipe2(from, O_CLOEXEC) != 0) throw std::runtime_error("no pipe for the emulator");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, to[0], 0);
  posix_spawn_file_actions_adddup2(&actions, from[1], 1);
  std::vector<std::string> env = EmulatorEnvironment();
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string program = VANTORA_USB_CAMERA_EMULATOR;
  char* args[] = {program.data(), nullptr};
  int failed = posix_spawn(&pid_, program.c_str(), &actions, nullptr, args, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(to[0]);
  close(from[1]);
  to_ = to[1];
  from_ = from[0];
  if (failed) throw std::runtime_error("cannot start " + program + ": " + std::strerror(failed));
  // The environment comes first, then "ready".
  for (std::string line = Ask(""); line != "ready"; line = Ask("")) {
    auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    environment_.emplace_back(line.substr(0, eq), line.substr(eq + 1));
    if (line.rfind("UMOCKDEV_DIR=", 0) == 0) root_ = line.substr(13);
  }
  if (root_.empty()) throw std::runtime_error("the emulator named no testbed");
  setenv("UMOCKDEV_DIR", root_.c_str(), 1);
}

EmulatedCameras::~EmulatedCameras() {
  if (to_ >= 0) close(to_);  // the emulator ends when its input ends
  if (from_ >= 0) close(from_);
  if (pid_ <= 0) return;
  for (int i = 0; i < 100; ++i) {
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) return;
    usleep(50 * 1000);
  }
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
}

// Sends a command (none for "") and reads one line back, within a bound.
std::string EmulatedCameras::Ask(const std::string& command) {
  if (!command.empty()) {
    std::string line = command + "\n";
    if (write(to_, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
      throw std::runtime_error("the emulator does not take commands");
    }
  }
  const auto deadline = std::chrono::steady_clock::now() + kAnswerTimeout;
  for (;;) {
    auto newline = pending_.find('\n');
    if (newline != std::string::npos) {
      std::string line = pending_.substr(0, newline);
      pending_.erase(0, newline + 1);
      if (!command.empty() && line.rfind("error ", 0) == 0) throw std::runtime_error("emulator: " + line.substr(6));
      return line;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd p{from_, POLLIN, 0};
    if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) {
      throw std::runtime_error("the emulator did not answer '" + command + "'");
    }
    char chunk[512];
    ssize_t n = read(from_, chunk, sizeof chunk);
    if (n <= 0) throw std::runtime_error("the emulator ended");
    pending_.append(chunk, static_cast<std::size_t>(n));
  }
}

EmulatedCameras::Plugged EmulatedCameras::Add(const std::string& name, const std::string& modes,
                                              const std::string& port) {
  std::istringstream answer(Ask("add " + port + " " + modes + " " + name));
  std::string ok;
  Plugged p;
  answer >> ok >> p.index >> p.node;
  return p;
}

void EmulatedCameras::Unplug(int camera) { Ask("unplug " + std::to_string(camera)); }

std::string EmulatedCameras::Plug(int camera, const std::string& port) {
  return Ask("plug " + std::to_string(camera) + " " + port).substr(3);
}

void EmulatedCameras::Fault(int camera, const std::string& fault, int frames) {
  Ask("fault " + std::to_string(camera) + " " + fault + " " + std::to_string(frames));
}

void EmulatedCameras::Scene(int camera, const CameraScene& scene) {
  Ask("scene " + std::to_string(camera) + " " + scene.Text());
}

UsbCameraState EmulatedCameras::State(int camera) {
  std::istringstream answer(Ask("state " + std::to_string(camera)));
  UsbCameraState s;
  std::string field;
  answer >> field;  // "ok"
  while (answer >> field) {
    auto eq = field.find('=');
    std::string key = field.substr(0, eq), value = field.substr(eq + 1);
    if (key == "present") s.present = value == "1";
    if (key == "node") s.node = value == "-" ? "" : value;
    if (key == "streaming") s.streaming = value == "1";
    if (key == "frames") s.frames = std::stoull(value);
    if (key == "last") s.last_frame = static_cast<std::uint32_t>(std::stoul(value));
    if (key == "open") s.open_descriptors = std::stoi(value);
    if (key == "size") std::sscanf(value.c_str(), "%dx%d", &s.width, &s.height);
    if (key == "format" && value.size() == 4) std::memcpy(&s.fourcc, value.data(), 4);
    if (key == "scene-from") s.scene_from = static_cast<std::uint32_t>(std::stoul(value));
    if (key == "interval") std::sscanf(value.c_str(), "%u/%u", &s.interval.numerator, &s.interval.denominator);
  }
  return s;
}


}  // namespace vantora::testing
