#pragma once

#include <cstddef>
#include <limits>
#include <string>
#include <vector>

#include "net/nw_io_handler.h"

// A handler whose peer is a fixed byte script: what the peer "sends" is the
// script, handed out in pieces of at most `piece` bytes; what is sent to the
// peer is collected. The peer closes when the script is used up, unless told
// to hold the connection open. Unit tests and fuzz targets run the protocol
// readers on it without a socket.
namespace vantora {

class TNwIOHandlerScripted : public TNwIOHandler {
 public:
  explicit TNwIOHandlerScripted(std::string script, std::size_t piece = 1 << 20)
      : script_(std::move(script)), piece_(piece == 0 ? 1 : piece) {}

  void Open() override {}
  bool ConnectClient(const TNwConnectRequest&, TNwTimeLimit, const TNwStatusHandler&) override {
    open_ = true;
    ++connects_;
    return true;
  }
  bool Connected() const override { return open_; }
  void Close() override { open_ = false; }
  void Abort() override {
    if (open_) aborted_ = true;
    open_ = false;
  }
  // A held peer with nothing left to send never becomes readable: whatever
  // the wait, it counts as having run out (nothing here can block).
  bool Readable(TNwTimeLimit) override { return !open_ || !hold_ || offset_ < script_.size(); }
  // A peer past its intake never becomes writable, likewise.
  bool Writable(TNwTimeLimit) override { return !open_ || sent_.size() < intake_; }
  bool WaitsEndAtOnce() const override { return true; }
  long Recv(char* buffer, unsigned long length, int& error) override;
  long Send(const char* buffer, unsigned long length, int& error) override;

  // Makes the handler open without a connect, for readers tested alone.
  void MarkOpen() { open_ = true; }
  // The peer keeps the connection open after its script: a reader that
  // wants more than the script holds runs into its time limit.
  void HoldOpen() { hold_ = true; }
  // The peer takes at most `bytes` and then stops reading.
  void LimitIntake(std::size_t bytes) { intake_ = bytes; }
  const std::string& Sent() const { return sent_; }
  // The size of every send call that took bytes, in order.
  const std::vector<std::size_t>& SendSizes() const { return send_sizes_; }
  // True when the connection was ended with a reset rather than closed.
  bool Aborted() const { return aborted_; }
  int Connects() const { return connects_; }
  // Bytes of the script handed out so far.
  std::size_t Consumed() const { return offset_; }

 private:
  std::string script_;
  std::size_t piece_;
  std::size_t offset_ = 0;
  std::string sent_;
  std::vector<std::size_t> send_sizes_;
  std::size_t intake_ = std::numeric_limits<std::size_t>::max();
  bool open_ = false;
  bool hold_ = false;
  bool aborted_ = false;
  int connects_ = 0;
};

}  // namespace vantora
