#pragma once

#include <cstddef>
#include <string>

#include "nw_io_handler.h"

// A handler whose peer is a fixed byte script: what the peer "sends" is the
// script, handed out in pieces of at most `piece` bytes; what is sent to the
// peer is collected. The peer closes when the script is used up. Unit tests
// and fuzz targets run the protocol readers on it without a socket.
namespace vantora {

class TNwIOHandlerScripted : public TNwIOHandler {
 public:
  explicit TNwIOHandlerScripted(std::string script, std::size_t piece = 1 << 20)
      : script_(std::move(script)), piece_(piece == 0 ? 1 : piece) {}

  void Open() override {}
  void ConnectClient(const std::string&, int, const std::string&, int, int, const TNwStatusHandler&) override {
    open_ = true;
    ++connects_;
  }
  bool Connected() const override { return open_; }
  void Close() override { open_ = false; }
  bool Readable(int) override { return true; }
  long Recv(char* buffer, unsigned long length, int& error) override;
  long Send(const char* buffer, unsigned long length, int& error) override;

  // Makes the handler open without a connect, for readers tested alone.
  void MarkOpen() { open_ = true; }
  const std::string& Sent() const { return sent_; }
  int Connects() const { return connects_; }

 private:
  std::string script_;
  std::size_t piece_;
  std::size_t offset_ = 0;
  std::string sent_;
  bool open_ = false;
  int connects_ = 0;
};

}  // namespace vantora
