#include "tests/peers/ftp_server_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sched.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace vantora::testing {

namespace {

constexpr const char kVsftpd[] = "/usr/sbin/vsftpd";
// An id no account of the machine uses, for the vsftpd test account.
constexpr int kTestUid = 47321;

int MillisecondsLeft(std::chrono::steady_clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left);
}

std::string MakeScratch() {
  char dir_template[] = "/tmp/vantora-ftp-peer-XXXXXX";
  if (!::mkdtemp(dir_template)) throw std::runtime_error("cannot create a folder for the FTP server");
  return dir_template;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

// Output of a short command, for the password hash.
std::string CommandOutput(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return out;
  std::array<char, 256> chunk{};
  while (std::fgets(chunk.data(), chunk.size(), pipe)) out += chunk.data();
  ::pclose(pipe);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

// True once something accepts on 127.0.0.1:port and sends its greeting.
bool GreetsOn(int port, std::chrono::steady_clock::time_point deadline) {
  while (MillisecondsLeft(deadline) > 0) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    bool greeted = false;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
      pollfd p{fd, POLLIN, 0};
      char c;
      greeted = ::poll(&p, 1, MillisecondsLeft(deadline)) > 0 && ::recv(fd, &c, 1, 0) == 1;
    }
    ::close(fd);
    if (greeted) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // nothing to wait on before it listens
  }
  return false;
}

}  // namespace

FtpServerProcess::FtpServerProcess(FtpServerProcess&& other) noexcept
    : python_(std::move(other.python_)),
      pid_(other.pid_),
      port_(other.port_),
      root_(std::move(other.root_)),
      scratch_(std::move(other.scratch_)) {
  other.python_.reset();
  other.pid_ = -1;
  other.scratch_.clear();
}

FtpServerProcess::~FtpServerProcess() { Stop(); }

void FtpServerProcess::Stop() {
  python_.reset();
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  if (!scratch_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(scratch_, ignored);
    scratch_.clear();
  }
}

std::string FtpServerProcess::Stored(const std::string& name) const { return ReadAll(root_ + "/" + name); }

FtpServerProcess FtpServerProcess::StartPyftpdlib(const std::string& user, const std::string& password) {
  FtpServerProcess server;
  server.scratch_ = MakeScratch();
  server.root_ = server.scratch_;
  server.python_.emplace(std::vector<std::string>{VANTORA_FTP_SERVER_SCRIPT, "--root", server.root_, "--user", user,
                                                  "--password", password},
                         "pyftpdlib");
  server.port_ = server.python_->Port();
  return server;
}

FtpServerProcess FtpServerProcess::StartVsftpd(const std::string& user, const std::string& password, int idle_s) {
  if (::geteuid() != 0) throw std::runtime_error("vsftpd needs root (it changes to the account's user)");
  if (::access(kVsftpd, X_OK) != 0) throw std::runtime_error(std::string(kVsftpd) + " is not installed");
  const std::string hash = CommandOutput("openssl passwd -6 '" + password + "'");
  if (hash.rfind("$6$", 0) != 0) throw std::runtime_error("openssl passwd -6 gave no hash");

  FtpServerProcess server;
  server.scratch_ = MakeScratch();
  const std::string& dir = server.scratch_;
  server.root_ = dir + "/home";
  std::filesystem::create_directories(server.root_);
  std::filesystem::create_directories(dir + "/empty");  // vsftpd's secure_chroot_dir
  if (::chown(server.root_.c_str(), kTestUid, kTestUid) != 0) throw std::runtime_error("chown of the home failed");
  // The account exists only in copies bound over the real files inside the
  // child's own mount namespace.
  const std::string id = std::to_string(kTestUid);
  WriteAll(dir + "/passwd", ReadAll("/etc/passwd") + user + ":x:" + id + ":" + id + "::" + server.root_ + ":/bin/sh\n");
  WriteAll(dir + "/shadow", ReadAll("/etc/shadow") + user + ":" + hash + ":19000:0:99999:7:::\n");
  WriteAll(dir + "/group", ReadAll("/etc/group") + user + ":x:" + id + ":\n");
  ::chmod((dir + "/shadow").c_str(), 0640);
  WriteAll(dir + "/vsftpd.conf",
           "listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\nlisten_port=21\nbackground=NO\n"
           "anonymous_enable=NO\nlocal_enable=YES\nwrite_enable=YES\nlocal_umask=022\n"
           "chroot_local_user=NO\npam_service_name=vsftpd\nseccomp_sandbox=NO\nisolate=NO\n"
           "isolate_network=NO\nconnect_from_port_20=NO\nport_enable=YES\nsecure_chroot_dir=" + dir +
           "/empty\nxferlog_enable=NO\nsyslog_enable=NO\nvsftpd_log_file=" + dir + "/vsftpd.log\n" +
               (idle_s > 0 ? "idle_session_timeout=" + std::to_string(idle_s) + "\n" : std::string()));
  ::chmod(dir.c_str(), 0755);

  const std::string config = dir + "/vsftpd.conf";
  server.pid_ = ::fork();
  if (server.pid_ < 0) throw std::runtime_error("fork failed");
  if (server.pid_ == 0) {
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) ::_exit(120);
    for (const char* name : {"passwd", "shadow", "group"}) {
      const std::string from = dir + "/" + name;
      const std::string to = std::string("/etc/") + name;
      if (::mount(from.c_str(), to.c_str(), nullptr, MS_BIND, nullptr) != 0) ::_exit(121);
    }
    const int null_fd = ::open("/dev/null", O_RDWR);
    ::dup2(null_fd, STDIN_FILENO);
    ::execl(kVsftpd, kVsftpd, config.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  if (!GreetsOn(21, std::chrono::steady_clock::now() + std::chrono::seconds(10))) {
    int status = 0;
    const bool ended = ::waitpid(server.pid_, &status, WNOHANG) == server.pid_;
    if (ended) server.pid_ = -1;
    std::ostringstream why;
    why << "vsftpd did not greet on 127.0.0.1:21";
    if (ended) why << " (it ended with status " << (WIFEXITED(status) ? WEXITSTATUS(status) : -1) << ")";
    throw std::runtime_error(why.str());
  }
  server.port_ = 21;
  return server;
}

}  // namespace vantora::testing
