#include "tests/usb_camera/usb_camera_environment.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace vantora::testing {

std::string UmockdevPreload() { return VANTORA_UMOCKDEV_PRELOAD; }

std::string EmulationPreload() { return std::string(VANTORA_V4L2_PRELOAD) + ":" + VANTORA_UMOCKDEV_PRELOAD; }

std::vector<std::pair<std::string, std::string>> StationEnvironment(const std::string& testbed_root,
                                                                    const std::string& registry) {
  return {{"LD_PRELOAD", EmulationPreload()},
          {"UMOCKDEV_DIR", testbed_root},
          {"GST_REGISTRY", registry},
          {"GST_REGISTRY_UPDATE", "no"}};
}

std::string ProgramPath() {
  char path[4096];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) throw std::runtime_error("cannot find this program's path");
  return std::string(path, static_cast<std::size_t>(n));
}

std::string ProgramRegistry() { return ProgramPath() + ".gst-registry.bin"; }

void BuildRegistry(const std::string& path) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    std::string entry = *e;
    for (const char* drop : {"LD_PRELOAD=", "UMOCKDEV_DIR=", "GST_REGISTRY=", "GST_REGISTRY_UPDATE="}) {
      if (entry.rfind(drop, 0) == 0) entry.clear();
    }
    if (!entry.empty()) env.push_back(entry);
  }
  env.push_back("GST_REGISTRY=" + path);
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string program = "gst-inspect-1.0", feature = "coreelements";
  char* args[] = {program.data(), feature.data(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  int failed = posix_spawnp(&pid, program.c_str(), &actions, nullptr, args, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  if (failed || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw std::runtime_error("cannot build the GStreamer registry " + path + " with gst-inspect-1.0");
  }
}

bool RunsWithPreload(const std::string& preload) {
  const char* current = std::getenv("LD_PRELOAD");
  return current && std::strstr(current, preload.c_str());
}

void ReexecWithPreload(const std::string& preload, char** argv) {
  if (RunsWithPreload(preload)) return;
  setenv("LD_PRELOAD", preload.c_str(), 1);
  const char* asan = std::getenv("ASAN_OPTIONS");
  std::string options = std::string(asan ? asan : "") + (asan && *asan ? ":" : "") + "verify_asan_link_order=0";
  setenv("ASAN_OPTIONS", options.c_str(), 1);
  execv("/proc/self/exe", argv);
  throw std::runtime_error(std::string("cannot run again with ") + preload + ": " + std::strerror(errno));
}

}  // namespace vantora::testing
