#pragma once

#include <chrono>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "tests/net/fake_server.h"

// The server side of scripted FTP sessions: reads the client's commands,
// answers with exact bytes, connects back to the client's data port like an
// active-mode server and records everything it saw. Every wait is bounded.
namespace vantora::testing {

// How the client ended a data connection: an orderly close says "that was
// the whole file", a reset says "given up".
enum class DataEnd { kOrderly, kReset, kNotEnded };

// What the scripted server saw, shared between its thread and the test.
class FtpTranscript {
 public:
  void AddCommand(const std::string& raw);
  void AddFile(const std::string& bytes, DataEnd end = DataEnd::kOrderly);
  void AddDataPort(int port);
  // Every command exactly as received, CR LF included, in order.
  std::string Commands() const;
  std::vector<std::string> Files() const;
  std::vector<DataEnd> FileEnds() const;
  std::vector<int> DataPorts() const;

 private:
  mutable std::mutex mutex_;
  std::string commands_;
  std::vector<std::string> files_;
  std::vector<DataEnd> ends_;
  std::vector<int> ports_;
};

// One end of a data connection made by the scripted server.
class DataLink {
 public:
  // Connects to ip:port, from the address `from` when one is given;
  // Connected() is false when refused.
  DataLink(const std::string& ip, int port, const std::string& from = "");
  explicit DataLink(int port) : DataLink("127.0.0.1", port) {}
  ~DataLink();
  DataLink(const DataLink&) = delete;
  DataLink& operator=(const DataLink&) = delete;
  bool Connected() const { return fd_ >= 0; }
  // Everything until the client ends the connection (bounded); `end` tells how.
  std::string ReadUntilClose(DataEnd* end = nullptr, std::chrono::milliseconds bound = std::chrono::seconds(20));
  std::string ReadSome(std::size_t at_least);
  void Close();

 private:
  int fd_ = -1;
};

class FtpScriptPeer {
 public:
  FtpScriptPeer(FakePeer& peer, FtpTranscript& transcript) : peer_(peer), transcript_(transcript) {}

  // Reads one command up to CR LF (recorded); "" when the client closed or
  // went silent for ten seconds.
  std::string Command();
  // False once the client has gone.
  bool Send(std::string_view bytes) { return peer_.Send(bytes); }
  // Reads a command that must start with `prefix`, then sends `reply`.
  // Returns false (and sends nothing) when another command came.
  bool Answer(std::string_view prefix, std::string_view reply);
  // Greeting 220, USER → 331, PASS → 230, TYPE → 200, SYST → 215.
  bool Login();
  // Reads "PORT h1,h2,h3,h4,p1,p2", remembers the port and answers `reply`.
  bool AnswerPort(std::string_view reply = "200 PORT command successful.\r\n");
  int DataPort() const { return data_port_; }
  const std::string& DataIP() const { return data_ip_; }
  // Connects to the client's data port and reads the file until it closes.
  std::string ReceiveFile();
  // The same on a link already made; records how the client ended it.
  std::string ReceiveFile(DataLink& link);
  // PORT 200, STOR 150, the file, 226: one stored file.
  bool StoreOne();
  void Close() { peer_.Close(); }
  bool WaitForClientClose() { return peer_.WaitForClientClose(std::chrono::seconds(20)); }

 private:
  FakePeer& peer_;
  FtpTranscript& transcript_;
  int data_port_ = 0;
  std::string data_ip_;
};

// The port of a "PORT h1,h2,h3,h4,p1,p2" line (with its CR LF); 0 when it is
// not one. `ip` gets the dotted address.
int PortFromCommand(const std::string& line, std::string* ip = nullptr);

}  // namespace vantora::testing
