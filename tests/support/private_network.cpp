#include "tests/support/private_network.h"

#include <fcntl.h>
#include <net/if.h>
#include <sched.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace vantora::testing {
namespace {

std::string Errno(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

bool WriteFile(const char* path, const std::string& text) {
  std::ofstream out(path);
  out << text;
  return static_cast<bool>(out.flush());
}

// Without root, a user namespace grants the capability to make the network one.
std::string EnterAsUnprivileged() {
  const uid_t uid = getuid();
  const gid_t gid = getgid();
  if (unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0) return Errno("unshare(user+net)");
  WriteFile("/proc/self/setgroups", "deny");
  if (!WriteFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1\n")) return "uid_map";
  if (!WriteFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1\n")) return "gid_map";
  return {};
}

std::string BringLoopbackUp() {
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return Errno("socket");
  ifreq req{};
  std::strncpy(req.ifr_name, "lo", IFNAMSIZ - 1);
  std::string error;
  if (ioctl(fd, SIOCGIFFLAGS, &req) != 0) {
    error = Errno("SIOCGIFFLAGS");
  } else {
    req.ifr_flags = static_cast<short>(req.ifr_flags | IFF_UP | IFF_RUNNING);
    if (ioctl(fd, SIOCSIFFLAGS, &req) != 0) error = Errno("SIOCSIFFLAGS");
  }
  close(fd);
  return error;
}

}  // namespace

std::string EnterPrivateNetwork() {
  if (unshare(CLONE_NEWNET) != 0) {
    if (errno != EPERM) return Errno("unshare(net)");
    if (auto error = EnterAsUnprivileged(); !error.empty()) return error;
  }
  return BringLoopbackUp();
}

std::string UseSilentNameServer() {
  if (unshare(CLONE_NEWNS) != 0) return Errno("unshare(mount)");
  // Keep the bind mount below from reaching the machine's namespace.
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return Errno("mount private");
  char path[] = "/tmp/vantora-resolv-XXXXXX";
  const int file = mkstemp(path);
  if (file < 0) return Errno("mkstemp");
  close(file);
  const bool written = WriteFile(path, "nameserver 127.0.0.1\noptions timeout:3 attempts:1\n");
  const bool bound = written && mount(path, "/etc/resolv.conf", nullptr, MS_BIND, nullptr) == 0;
  const std::string error = written ? (bound ? "" : Errno("bind /etc/resolv.conf")) : "resolv.conf copy";
  unlink(path);  // the mount keeps the file alive
  if (!error.empty()) return error;
  // Queries pile up in a socket nobody reads; it lives as long as the process.
  const int udp = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(53);
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (udp < 0 || bind(udp, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return Errno("bind udp 53");
  return {};
}

}  // namespace vantora::testing
