#include "capture/camera_watch.h"

namespace vantora {

TCameraWatch::TCameraWatch() {
  no_frame_.setSingleShot(true);
  no_frame_.setInterval(kNoPictureAfter);
  QObject::connect(&no_frame_, &QTimer::timeout, [this] { Set(CameraState::Stalled); });
}

bool TCameraWatch::Watched() const {
  return state_ == CameraState::Starting || state_ == CameraState::Live || state_ == CameraState::Stalled;
}

void TCameraWatch::Started() { Set(CameraState::Starting); }

void TCameraWatch::FrameCame() {
  if (Watched()) Set(CameraState::Live);
}

void TCameraWatch::Failed() {
  if (Watched()) Set(CameraState::Gone);
}

void TCameraWatch::Released() { Set(CameraState::None); }

// The timer runs from the start and from every frame, until a frame is late.
void TCameraWatch::Set(CameraState state) {
  if (state == CameraState::Starting || state == CameraState::Live) {
    no_frame_.start();
  } else {
    no_frame_.stop();
  }
  if (state == state_) return;
  state_ = state;
  if (OnChange) OnChange(state);
}

}  // namespace vantora
