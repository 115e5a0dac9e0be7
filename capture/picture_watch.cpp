#include "picture_watch.h"

#include "filter.h"
#include "filter_graph.h"
#include "sample_grabber.h"
#include "video_window.h"

namespace vantora {

TPictureWatch::TPictureWatch(const TFilterGraph& graph, const TSampleGrabber& grabber, const TFilter& source,
                             TVideoWindow& preview)
    : graph_(graph), grabber_(grabber), source_(source), preview_(preview) {
  timer_.setInterval(static_cast<int>(kPictureCheckInterval.count()));
  connect(&timer_, &QTimer::timeout, this, [this] { Check(); });
}

void TPictureWatch::Start() {
  started_ = Clock::now();
  watching_ = true;
  preview_.SetNoPicture(false);
  timer_.start();
}

void TPictureWatch::Stop() {
  watching_ = false;
  timer_.stop();
}

bool TPictureWatch::Gone() const {
  if (graph_.StreamFailed()) return true;
  const auto& device = source_.BoundDevice();
  return device && Removed && Removed(*device);
}

// No frame for too long: since the last one, or since the start when none came.
bool TPictureWatch::Stale(Clock::time_point now) const {
  const auto last = grabber_.LatestFrameTime();
  return now - (last ? *last : started_) > kNoPictureAfter;
}

bool TPictureWatch::HasPicture() const {
  return watching_ && graph_.Active() && !Gone() && grabber_.LatestFrameTime() && !Stale(Clock::now());
}

void TPictureWatch::Check() {
  if (!watching_) return;
  if (Gone()) {
    Stop();
    preview_.SetNoPicture(true);
    if (OnLost) OnLost();
    return;
  }
  preview_.SetNoPicture(Stale(Clock::now()));
}

}  // namespace vantora
