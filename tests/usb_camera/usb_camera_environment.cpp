#include "usb_camera_environment.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace vantora::testing {

std::string UmockdevPreload() { return VANTORA_UMOCKDEV_PRELOAD; }

std::string EmulationPreload() { return std::string(VANTORA_V4L2_PRELOAD) + ":" + VANTORA_UMOCKDEV_PRELOAD; }

std::vector<std::pair<std::string, std::string>> StationEnvironment(const std::string& testbed_root) {
  return {{"LD_PRELOAD", EmulationPreload()}, {"UMOCKDEV_DIR", testbed_root}};
}

void ReexecWithPreload(const std::string& preload, char** argv) {
  const char* current = std::getenv("LD_PRELOAD");
  if (current && std::strstr(current, preload.c_str())) return;
  setenv("LD_PRELOAD", preload.c_str(), 1);
  const char* asan = std::getenv("ASAN_OPTIONS");
  std::string options = std::string(asan ? asan : "") + (asan && *asan ? ":" : "") + "verify_asan_link_order=0";
  setenv("ASAN_OPTIONS", options.c_str(), 1);
  execv("/proc/self/exe", argv);
  throw std::runtime_error(std::string("cannot run again with ") + preload + ": " + std::strerror(errno));
}

}  // namespace vantora::testing
