#pragma once
// The face guide on the live picture. A few times a second the GUI thread
// takes the grabber's latest frame, reads its portrait strip in grey (the
// luma samples only, averaged down to the panel's size: about a
// millisecond at 720p) and hands that grey panel to the worker thread, which
// finds the face and judges it; the judgement comes back through the GUI
// thread's event queue to the outline and the hint. The camera's buffer
// never leaves the GUI thread, which is the thread that tears graphs down,
// so no buffer of a camera's pool is ever held while its graph goes. The
// worker never touches a widget, GStreamer's streaming threads do no guide
// work at all, and the GUI thread never waits for a detection: a tick that
// finds the worker busy hands it nothing.
#include <QObject>
#include <QTimer>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "app/face_outline.h"
#include "capture/platform/video_frame.h"
#include "guide/face_detector.h"
#include "guide/grey_panel.h"

namespace vantora {

class TSampleGrabber;

// Two looks a second: a hint follows a person's move within half a second,
// and the preview's own CPU stays the larger part.
inline constexpr std::chrono::milliseconds kFaceGuideInterval{500};

// A frame to judge, with the time it passed the grabber.
struct TGuideFrame {
  capture::FrameSnapshot frame;
  std::chrono::steady_clock::time_point time;
};

// The grabber's latest frame and when it came (the time read first: should a
// newer frame slip in between, the latency measured from it is the longer
// one, never the shorter); none before the first.
std::optional<TGuideFrame> LatestGuideFrame(const TSampleGrabber& grabber);

class TFaceGuideLive {
 public:
  // `latest` answers the camera's current picture, or none when it has none
  // (no camera, not live, no frame of late). The cascades are loaded on the
  // worker, a few tens of milliseconds the operator's first input need not
  // wait for; `loaded` hears on the GUI thread whether they could be.
  TFaceGuideLive(TFaceOutline& outline, std::function<std::optional<TGuideFrame>()> latest,
                 std::function<void(bool loaded)> loaded);
  ~TFaceGuideLive();
  TFaceGuideLive(const TFaceGuideLive&) = delete;
  TFaceGuideLive& operator=(const TFaceGuideLive&) = delete;

  void SetEnabled(bool on);
  bool Enabled() const { return enabled_; }
  long long JudgementsShown() const { return shown_; }
  // None until the cascades are loaded, and when they could not be.
  const guide::TFaceDetector* Detector() const { return detector_; }

 private:
  void Tick();
  void Work();
  void Judged(std::uint64_t generation, guide::TFaceJudgement judgement, std::chrono::steady_clock::time_point time);
  void Forget();
  guide::TFaceFinding Look(const guide::TGreyPanel& panel);

  TFaceOutline& outline_;
  std::function<std::optional<TGuideFrame>()> latest_;
  std::function<void(bool)> loaded_;
  const guide::TFaceDetector* detector_ = nullptr;  // read on the GUI thread
  QObject context_;  // judgements are delivered through it; gone with the guide
  QTimer ticks_;
  bool enabled_ = false;
  long long shown_ = 0;
  std::optional<std::chrono::steady_clock::time_point> lastHanded_;

  // Shared with the worker.
  std::mutex mutex_;
  std::condition_variable wake_;
  struct Job {
    guide::TGreyPanel panel;
    std::chrono::steady_clock::time_point time;
  };
  std::optional<Job> job_;
  bool busy_ = false;
  bool stop_ = false;
  std::uint64_t generation_ = 0;  // bumped when what is shown must be forgotten
  std::unique_ptr<guide::TFaceDetector> loadedDetector_;  // set by the worker before it says so

  // The worker's own: what it judged last, to skip a still scene and to
  // follow one face rather than search the whole panel at every look.
  std::optional<guide::TGreyPanel> lastPanel_;
  std::optional<guide::TBox> lastFace_;
  int looksSinceFullSearch_ = 0;
  std::optional<double> eyesInFace_;  // the eye row's place in the box, 0 top .. 1 bottom
  std::uint64_t judgedGeneration_ = 0;
  std::thread worker_;
};

}  // namespace vantora
