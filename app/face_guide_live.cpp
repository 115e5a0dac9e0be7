#include "app/face_guide_live.h"

#include <cmath>
#include <cstdlib>

#include "app/photo_geometry.h"
#include "capture/sample_grabber.h"
#include "guide/grey_panel.h"

namespace vantora {

namespace {

// A scene whose grey panel moved less than this on average (grey levels,
// every other pixel of every other row) since the last judgement is the
// same scene: a camera's noise stays well below it once averaged down to
// the panel, and a person who moves at all goes far beyond.
constexpr int kStillScene = 2;
// Following one face never goes on for longer than this many looks without
// a search of the whole panel, so a second person stepping in is seen.
constexpr int kLooksPerFullSearch = 6;

bool SameScene(const guide::TGreyPanel& a, const guide::TGreyPanel& b) {
  long long difference = 0, samples = 0;
  for (int y = 0; y < guide::kPanelHeight; y += 2) {
    for (int x = 0; x < guide::kPanelWidth; x += 2, ++samples) difference += std::abs(a.At(x, y) - b.At(x, y));
  }
  return difference < kStillScene * samples;
}

}  // namespace

std::optional<TGuideFrame> LatestGuideFrame(const TSampleGrabber& grabber) {
  const auto time = grabber.LatestFrameTime();
  auto frame = grabber.LatestFrame();
  if (!time || !frame) return std::nullopt;
  return TGuideFrame{std::move(*frame), *time};
}

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

    // A still scene needs no new word, unless what was shown has been
    // forgotten since (the picture went, the item was turned off).
    const bool still = lastPanel_ && generation == judgedGeneration_ && SameScene(*lastPanel_, job.panel);
    std::optional<guide::TFaceJudgement> judgement;
    if (!still) judgement = guide::JudgeFace(Look(job.panel));
    judgedGeneration_ = generation;

    lock.lock();
    busy_ = false;
    if (judgement && !stop_) {
      QMetaObject::invokeMethod(
          &context_, [this, generation, j = std::move(*judgement), time = job.time] { Judged(generation, j, time); },
          Qt::QueuedConnection);
    }
  }
}

// On the worker: one face seen last is looked for near where it was; the
// whole panel is searched when there was none or several, when it is not
// found there, and every few looks.
guide::TFaceFinding TFaceGuideLive::Look(const guide::TGreyPanel& panel) {
  std::optional<guide::TFaceFinding> finding;
  if (lastFace_ && ++looksSinceFullSearch_ < kLooksPerFullSearch) {
    finding = loadedDetector_->FindNear(panel, *lastFace_);
    if (finding->faces.size() != 1) {
      finding.reset();
    } else if (eyesInFace_) {
      // The eyes keep their place in a face that moved: where the last full
      // look found them, scaled to the box.
      const guide::TBox& face = finding->faces.front();
      finding->eyeLine = face.y + static_cast<int>(std::lround(*eyesInFace_ * face.height));
    }
  }
  if (!finding) {
    finding = loadedDetector_->Find(panel);
    looksSinceFullSearch_ = 0;
    eyesInFace_.reset();
    if (finding->faces.size() == 1 && finding->eyeLine) {
      const guide::TBox& face = finding->faces.front();
      eyesInFace_ = static_cast<double>(*finding->eyeLine - face.y) / face.height;
    }
  }
  lastFace_.reset();
  if (finding->faces.size() == 1) lastFace_ = finding->faces.front();
  lastPanel_ = panel;
  return *finding;
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
