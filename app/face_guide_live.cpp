#include "app/face_guide_live.h"

#include "app/photo_geometry.h"
#include "guide/grey_panel.h"

namespace vantora {

TFaceGuideLive::TFaceGuideLive(TFaceOutline& outline, std::function<std::optional<TGuideFrame>()> latest,
                               std::function<void(bool)> loaded)
    : outline_(outline), latest_(std::move(latest)), loaded_(std::move(loaded)) {
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
  if (!detector_) return;
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
  }
  const GstVideoInfo& info = latest->frame.info;
  if (FrameTooSmallForPortrait(info.width, info.height)) return;
  const PortraitGeometry strip = PortraitGeometryFor(info.width, info.height);
  auto panel = guide::GreyPanelOfFrame(latest->frame, strip.sourceColumn, strip.width);
  if (!panel) return;
  lastHanded_ = latest->time;
  {
    std::lock_guard lock(mutex_);
    job_ = Job{std::move(*panel), latest->time};
  }
  wake_.notify_one();
}

void TFaceGuideLive::Work() {
  auto detector = guide::TFaceDetector::Load();
  std::unique_lock lock(mutex_);
  loadedDetector_ = std::move(detector);
  if (!stop_) {
    QMetaObject::invokeMethod(
        &context_,
        [this] {
          {
            std::lock_guard held(mutex_);
            detector_ = loadedDetector_.get();
          }
          if (loaded_) loaded_(detector_ != nullptr);
        },
        Qt::QueuedConnection);
  }
  if (!loadedDetector_) return;
  for (;;) {
    wake_.wait(lock, [this] { return stop_ || job_.has_value(); });
    if (stop_) return;
    Job job = std::move(*job_);
    job_.reset();
    busy_ = true;
    const std::uint64_t generation = generation_;
    lock.unlock();

    guide::TFaceJudgement judgement = guide::JudgeFace(loadedDetector_->Find(job.panel));

    lock.lock();
    busy_ = false;
    if (!stop_) {
      QMetaObject::invokeMethod(
          &context_, [this, generation, j = std::move(judgement), time = job.time] { Judged(generation, j, time); },
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
