#pragma once
// Whether the chosen camera's picture is its current one, watched on the GUI
// thread. GStreamer says nothing when a camera stops sending frames, and of
// a camera that has gone only its graph's error or the device list's
// removal tells; so while a camera is previewed a timer looks at when the
// last frame passed the grabber, at the graph's errors and at the removals.
// A camera that has gone is reported once, through OnLost, so that its
// graph and device node can be released at once; one that has sent nothing
// for longer than kNoPictureAfter shows no picture until frames come again.

#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>

#include "device_moniker.h"

namespace vantora {

class TFilterGraph;
class TSampleGrabber;
class TFilter;
class TVideoWindow;

inline constexpr std::chrono::milliseconds kNoPictureAfter{2000};
inline constexpr std::chrono::milliseconds kPictureCheckInterval{100};

class TPictureWatch : public QObject {
 public:
  TPictureWatch(const TFilterGraph& graph, const TSampleGrabber& grabber, const TFilter& source,
                TVideoWindow& preview);

  void Start();  // a camera has been chosen and runs
  void Stop();   // the graph is being rebuilt, released or closed

  // Whether "拍照" would cut the camera's current picture: a camera is
  // running, has not gone, and its last frame is no older than kNoPictureAfter.
  bool HasPicture() const;

  // Whether the device list has seen this device unplugged.
  std::function<bool(const capture::DeviceMoniker&)> Removed;
  // The running camera has gone (an error, or unplugged).
  std::function<void()> OnLost;

 private:
  using Clock = std::chrono::steady_clock;
  bool Gone() const;
  bool Stale(Clock::time_point now) const;
  void Check();

  const TFilterGraph& graph_;
  const TSampleGrabber& grabber_;
  const TFilter& source_;
  TVideoWindow& preview_;
  QTimer timer_;
  Clock::time_point started_;
  bool watching_ = false;
};

}  // namespace vantora
