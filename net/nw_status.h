#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Status and progress reporting shared by every network component.
namespace vantora {

enum class TNwStatus {
  hsResolving,
  hsConnecting,
  hsConnected,
  hsDisconnecting,
  hsDisconnected,
  hsStatusText,
  ftpTransfer,
  ftpReady,
  ftpAborted
};

enum class TNwWorkMode { wmRead, wmWrite };

// Receives the status and its finished text ("Connecting to 127.0.0.1.").
using TNwStatusHandler = std::function<void(TNwStatus, const std::string&)>;
using TNwWorkHandler = std::function<void(TNwWorkMode, std::int64_t)>;

// The text of a status, with its one argument where it takes one.
std::string StatusText(TNwStatus status, const std::string& argument);

// Base of every network component: status and byte-progress events.
class TNwComponent {
 public:
  virtual ~TNwComponent() = default;

  TNwStatusHandler OnStatus;
  TNwWorkHandler OnWorkBegin;  // mode, expected total (0 when unknown)
  TNwWorkHandler OnWork;       // mode, bytes so far
  std::function<void(TNwWorkMode)> OnWorkEnd;

 protected:
  void DoStatus(TNwStatus status, const std::string& argument = {}) const {
    if (OnStatus) OnStatus(status, StatusText(status, argument));
  }
  void BeginWork(TNwWorkMode mode, std::int64_t total) const {
    if (OnWorkBegin) OnWorkBegin(mode, total);
  }
  void DoWork(TNwWorkMode mode, std::int64_t count) const {
    if (OnWork) OnWork(mode, count);
  }
  void EndWork(TNwWorkMode mode) const {
    if (OnWorkEnd) OnWorkEnd(mode);
  }
};

}  // namespace vantora
