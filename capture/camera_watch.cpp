#include "camera_watch.h"

namespace vantora {

TCameraWatch::TCameraWatch() {
  no_frame_.setSingleShot(true);
  no_frame_.setInterval(kNoPictureAfter);
  QObject::connect(&no_frame_, &QTimer::timeout, [this] { Set(CameraState::Stalled); });
}

bool TCameraWatch::Watched() const {
  return state_ == CameraState::Starting || state_ == CameraState::Live || state_ == CameraState::Stalled;
}

void TCameraWatch::Started() {
  no_frame_.start();
  Set(CameraState::Starting);
}

void TCameraWatch::FrameCame() {
  if (!Watched()) return;
  no_frame_.start();
  Set(CameraState::Live);
}

void TCameraWatch::Failed() {
  if (!Watched()) return;
  no_frame_.stop();
  Set(CameraState::Gone);
}

void TCameraWatch::Released() {
  no_frame_.stop();
  Set(CameraState::None);
}

void TCameraWatch::Set(CameraState state) {
  if (state == state_) return;
  state_ = state;
  if (OnChange) OnChange(state);
}

}  // namespace vantora
