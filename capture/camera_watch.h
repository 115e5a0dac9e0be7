#pragma once
// What the chosen camera is doing, learnt from the events the GUI thread
// receives: it was started, a frame came, the graph reported an error or the
// camera was unplugged, its graph went down. GStreamer posts nothing when a
// camera stops sending frames, so the one time check is a timer that goes
// off kNoPictureAfter after the last frame (or the start, when none came).

#include <QTimer>
#include <chrono>
#include <functional>

namespace vantora {

inline constexpr std::chrono::milliseconds kNoPictureAfter{2000};

enum class CameraState {
  None,      // no camera watched: none chosen, its graph is down, or its choice failed
  Starting,  // chosen and running; no frame yet
  Live,      // its frames come: "拍照" cuts the current picture
  Stalled,   // running, but no frame for longer than kNoPictureAfter
  Gone,      // failed while running, or unplugged: to be released at once
};

class TCameraWatch {
 public:
  TCameraWatch();

  CameraState State() const { return state_; }

  void Started();   // a chosen camera's graph runs
  void FrameCame();
  void Failed();    // the graph's error, or the camera unplugged
  void Released();  // its graph is down

  // Told of every change of state.
  std::function<void(CameraState)> OnChange;

 private:
  bool Watched() const;
  void Set(CameraState state);

  QTimer no_frame_;
  CameraState state_ = CameraState::None;
};

}  // namespace vantora
