#include "tests/net/ftp_script_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

namespace vantora::testing {

void FtpTranscript::AddCommand(const std::string& raw) {
  std::lock_guard<std::mutex> lock(mutex_);
  commands_ += raw;
}

void FtpTranscript::AddFile(const std::string& bytes, DataEnd end) {
  std::lock_guard<std::mutex> lock(mutex_);
  files_.push_back(bytes);
  ends_.push_back(end);
}

std::vector<DataEnd> FtpTranscript::FileEnds() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return ends_;
}

void FtpTranscript::AddDataPort(int port) {
  std::lock_guard<std::mutex> lock(mutex_);
  ports_.push_back(port);
}

std::string FtpTranscript::Commands() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return commands_;
}

std::vector<std::string> FtpTranscript::Files() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return files_;
}

std::vector<int> FtpTranscript::DataPorts() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return ports_;
}

int PortFromCommand(const std::string& line, std::string* ip) {
  unsigned h[4], p1, p2;
  char tail;
  if (std::sscanf(line.c_str(), "PORT %u,%u,%u,%u,%u,%u%c", &h[0], &h[1], &h[2], &h[3], &p1, &p2, &tail) != 7 ||
      tail != '\r') {
    return 0;
  }
  if (h[0] > 255 || h[1] > 255 || h[2] > 255 || h[3] > 255 || p1 > 255 || p2 > 255) return 0;
  if (ip) *ip = std::to_string(h[0]) + "." + std::to_string(h[1]) + "." + std::to_string(h[2]) + "." + std::to_string(h[3]);
  return static_cast<int>(p1 * 256 + p2);
}

DataLink::DataLink(const std::string& ip, int port, const std::string& from) {
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in source{};
  source.sin_family = AF_INET;
  if (!from.empty() && (::inet_pton(AF_INET, from.c_str(), &source.sin_addr) != 1 ||
                        ::bind(fd_, reinterpret_cast<sockaddr*>(&source), sizeof source) != 0)) {
    Close();
    return;
  }
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<std::uint16_t>(port));
  if (port <= 0 || ::inet_pton(AF_INET, ip.c_str(), &addr.sin_addr) != 1 || ::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) Close();
}

DataLink::~DataLink() { Close(); }

void DataLink::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

std::string DataLink::ReadUntilClose(DataEnd* end, std::chrono::milliseconds bound) {
  std::string out;
  if (end) *end = DataEnd::kNotEnded;
  const auto deadline = std::chrono::steady_clock::now() + bound;
  std::vector<char> chunk(1 << 16);
  while (fd_ >= 0) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) break;
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left)) <= 0) break;
    const ssize_t n = ::recv(fd_, chunk.data(), chunk.size(), 0);
    if (n <= 0) {
      if (end && n == 0) *end = DataEnd::kOrderly;
      if (end && n < 0 && errno == ECONNRESET) *end = DataEnd::kReset;
      break;
    }
    out.append(chunk.data(), static_cast<std::size_t>(n));
  }
  return out;
}

std::string DataLink::ReadSome(std::size_t at_least) {
  std::string out;
  std::vector<char> chunk(1 << 16);
  while (fd_ >= 0 && out.size() < at_least) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 10000) <= 0) break;
    const ssize_t n = ::recv(fd_, chunk.data(), chunk.size(), 0);
    if (n <= 0) break;
    out.append(chunk.data(), static_cast<std::size_t>(n));
  }
  return out;
}

std::string FtpScriptPeer::Command() {
  std::string line;
  while (line.size() < 2 || line.compare(line.size() - 2, 2, "\r\n") != 0) {
    const std::string c = peer_.ReadExactly(1);
    if (c.empty()) break;
    line += c;
  }
  transcript_.AddCommand(line);
  if (line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0) line.resize(line.size() - 2);
  else line.clear();
  return line;
}

bool FtpScriptPeer::Answer(std::string_view prefix, std::string_view reply) {
  const std::string line = Command();
  if (line.compare(0, prefix.size(), prefix) != 0) return false;
  Send(reply);
  return true;
}

bool FtpScriptPeer::Login() {
  Send("220 Scripted server ready.\r\n");
  return Answer("USER ", "331 Password required.\r\n") && Answer("PASS ", "230 Logged in.\r\n") &&
         Answer("TYPE I", "200 Type set to I.\r\n") && Answer("SYST", "215 UNIX Type: L8\r\n");
}

bool FtpScriptPeer::AnswerPort(std::string_view reply) {
  const std::string line = Command();
  data_port_ = PortFromCommand(line + "\r\n", &data_ip_);
  if (data_port_ == 0) return false;
  transcript_.AddDataPort(data_port_);
  Send(reply);
  return true;
}

std::string FtpScriptPeer::ReceiveFile() {
  DataLink link(data_ip_, data_port_);
  return ReceiveFile(link);
}

std::string FtpScriptPeer::ReceiveFile(DataLink& link) {
  DataEnd end = DataEnd::kNotEnded;
  std::string bytes = link.ReadUntilClose(&end);
  transcript_.AddFile(bytes, end);
  return bytes;
}

bool FtpScriptPeer::StoreOne() {
  if (!AnswerPort() || !Answer("STOR ", "150 Opening BINARY mode data connection.\r\n")) return false;
  ReceiveFile();
  Send("226 Transfer complete.\r\n");
  return true;
}

}  // namespace vantora::testing
