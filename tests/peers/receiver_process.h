#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "tests/peers/python_peer.h"

// Runs tests/peers/http_receiver.py as a child process for a test: a real
// HTTP server on loopback that records every request it receives.
namespace vantora::testing {

class HttpReceiverProcess {
 public:
  // Starts the receiver on a free loopback port, recording into a fresh
  // temporary folder; `args` are passed on (e.g. {"--status", "302",
  // "--header", "Location: /x"}). Raises std::runtime_error when it does not
  // come up within ten seconds.
  explicit HttpReceiverProcess(std::vector<std::string> args = {});
  // Terminates the child and removes the record folder.
  ~HttpReceiverProcess();
  HttpReceiverProcess(const HttpReceiverProcess&) = delete;
  HttpReceiverProcess& operator=(const HttpReceiverProcess&) = delete;

  int Port() const { return peer_->Port(); }
  const std::string& RecordDir() const { return record_dir_; }
  // Waits until request number n (from 1) is completely recorded.
  bool WaitForRequest(int n, std::chrono::milliseconds timeout) const;
  // The bytes of "<n>.<suffix>" in the record folder ("" when missing).
  std::string Record(int n, const std::string& suffix) const;

 private:
  void Stop();

  std::string record_dir_;
  std::optional<PythonPeer> peer_;  // made once the record folder exists
};

}  // namespace vantora::testing
