#pragma once
// The face guide on the live picture. A few times a second the GUI thread
// takes the grabber's latest frame (a buffer reference, nothing copied) and
// hands it to the worker thread, which reads the portrait's strip in grey,
// finds the face and judges it; the judgement comes back through the GUI
// thread's event queue to the outline and the hint. The worker never touches
// a widget, GStreamer's streaming threads do no guide work at all, and the
// GUI thread never waits for a detection: a tick that finds the worker busy
// hands it nothing.
#include <QObject>
#include <QTimer>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "app/face_outline.h"
#include "capture/platform/video_frame.h"
#include "guide/face_detector.h"

namespace vantora {

inline constexpr std::chrono::milliseconds kFaceGuideInterval{250};

// A frame to judge, with the time it passed the grabber.
struct TGuideFrame {
  capture::FrameSnapshot frame;
  std::chrono::steady_clock::time_point time;
};

class TFaceGuideLive {
 public:
  // `latest` answers the camera's current picture, or none when it has none
  // (no camera, not live, no frame of late).
  TFaceGuideLive(const guide::TFaceDetector& detector, TFaceOutline& outline,
                 std::function<std::optional<TGuideFrame>()> latest);
  ~TFaceGuideLive();
  TFaceGuideLive(const TFaceGuideLive&) = delete;
  TFaceGuideLive& operator=(const TFaceGuideLive&) = delete;

  void SetEnabled(bool on);
  bool Enabled() const { return enabled_; }
  long long JudgementsShown() const { return shown_; }

 private:
  void Tick();
  void Work();
  void Judged(std::uint64_t generation, guide::TFaceJudgement judgement, std::chrono::steady_clock::time_point time);
  void Forget();

  const guide::TFaceDetector& detector_;
  TFaceOutline& outline_;
  std::function<std::optional<TGuideFrame>()> latest_;
  QObject context_;  // judgements are delivered through it; gone with the guide
  QTimer ticks_;
  bool enabled_ = false;
  long long shown_ = 0;
  std::optional<std::chrono::steady_clock::time_point> lastHanded_;

  // Shared with the worker.
  std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<TGuideFrame> job_;
  bool busy_ = false;
  bool stop_ = false;
  std::uint64_t generation_ = 0;  // bumped when what is shown must be forgotten
  std::thread worker_;
};

}  // namespace vantora
