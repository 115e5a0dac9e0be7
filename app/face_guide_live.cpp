#include "app/face_guide_live.h"

#include "app/photo_geometry.h"
#include "guide/grey_panel.h"

namespace vantora {

TFaceGuideLive::TFaceGuideLive(const guide::TFaceDetector& detector, TFaceOutline& outline,
                               std::function<std::optional<TGuideFrame>()> latest)
    : detector_(detector), outline_(outline), latest_(std::move(latest)) {
  ticks_.setInterval(kFaceGuideInterval);
  QObject::connect(&ticks_, &QTimer::timeout, &context_, [this] { Tick(); });
  worker_ = std::thread([this] { Work(); });
}

TFaceGuideLive::~TFaceGuideLive() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_one();
  worker_.join();
}

void TFaceGuideLive::SetEnabled(bool on) {
  enabled_ = on;
  if (on) {
    ticks_.start();
  } else {
    ticks_.stop();
    Forget();
  }
}

void TFaceGuideLive::Forget() {
  {
    std::lock_guard lock(mutex_);
    ++generation_;
    job_.reset();
  }
  lastHanded_.reset();
  outline_.Clear();
}

void TFaceGuideLive::Tick() {
  std::optional<TGuideFrame> latest = latest_();
  if (!latest) {
    // No hint outlives the picture it was about.
    if (outline_.isVisible() || outline_.Hint()->isVisible()) Forget();
    return;
  }
  if (lastHanded_ == latest->time) return;  // the same frame again: nothing new to say
  {
    std::lock_guard lock(mutex_);
    if (busy_ || job_) return;
    job_ = std::move(latest);
    lastHanded_ = job_->time;
  }
  wake_.notify_one();
}

void TFaceGuideLive::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stop_ || job_.has_value(); });
    if (stop_) return;
    TGuideFrame job = std::move(*job_);
    job_.reset();
    busy_ = true;
    const std::uint64_t generation = generation_;
    lock.unlock();

    std::optional<guide::TFaceJudgement> judgement;
    const GstVideoInfo& info = job.frame.info;
    if (!FrameTooSmallForPortrait(info.width, info.height)) {
      const PortraitGeometry strip = PortraitGeometryFor(info.width, info.height);
      if (auto panel = guide::GreyPanelOfFrame(job.frame, strip.sourceColumn, strip.width)) {
        judgement = guide::JudgeFace(detector_.Find(*panel));
      }
    }
    job.frame = {};  // the buffer goes back to its pool before the GUI hears of it

    lock.lock();
    busy_ = false;
    if (judgement && !stop_) {
      QMetaObject::invokeMethod(
          &context_, [this, generation, j = std::move(*judgement), time = job.time] { Judged(generation, j, time); },
          Qt::QueuedConnection);
    }
  }
}

void TFaceGuideLive::Judged(std::uint64_t generation, guide::TFaceJudgement judgement,
                            std::chrono::steady_clock::time_point time) {
  {
    std::lock_guard lock(mutex_);
    if (generation != generation_) return;
  }
  if (!enabled_ || !latest_()) return;
  outline_.Show(judgement, time);
  ++shown_;
}

}  // namespace vantora
