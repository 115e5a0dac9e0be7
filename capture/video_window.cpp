#include "capture/video_window.h"

#include <QImage>
#include <QMetaObject>
#include <QPalette>
#include <QPainter>
#include <QPointer>

#include "capture/platform/capture_graph.h"
#include "capture/direct_show_error.h"

namespace vantora {

TVideoWindow::TVideoWindow(QWidget* parent, std::string name) : QWidget(parent), name_(std::move(name)) {
  setObjectName(QString::fromStdString(name_));
  // Blue where there is no picture; the paint event draws it itself.
  QPalette blue = palette();
  blue.setColor(QPalette::Window, Qt::blue);
  setPalette(blue);
  setAutoFillBackground(false);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
  camera_.OnChange = [this](CameraState state) { ShowCameraState(state); };
}

TVideoWindow::~TVideoWindow() { DetachQuietly(); }

capture::ElementRef TVideoWindow::MemberFilter() const {
  return renderer_ ? renderer_->Element() : capture::ElementRef();
}

void TVideoWindow::NotifyMember(TMemberStage stage, int) {
  switch (stage) {
    case TMemberStage::Adding: {
      const QSize shown = ShownSize();
      renderer_ = std::make_unique<capture::VideoRenderer>(shown.width(), shown.height());
      // Frames arrive on a streaming thread; drawing happens here, on the
      // GUI thread. The renderer asks again only after a frame was taken, so
      // at most one call is ever queued.
      QPointer<TVideoWindow> self(this);
      renderer_->SetFrameNotify([self] {
        if (self) QMetaObject::invokeMethod(self.data(), [self] { if (self) self->TakeFrame(); },
                                            Qt::QueuedConnection);
      });
      break;
    }
    case TMemberStage::Removing:
      if (renderer_) {
        renderer_->SetFrameNotify(nullptr);
        gst_element_set_state(renderer_->Element().get(), GST_STATE_NULL);
        CheckResult(capture::CaptureGraph::DisconnectPins(renderer_->Element()));
      }
      break;
    case TMemberStage::Removed:
      renderer_.reset();
      current_.reset();
      update();
      camera_.Released();
      break;
    case TMemberStage::Added:
    case TMemberStage::Refresh:
      break;
  }
}

void TVideoWindow::OnGraphEvent(std::int32_t code, std::intptr_t, std::intptr_t) {
  if (code == capture::EC_PALETTE_CHANGED) ApplyWindowSettings();
  if (code == capture::EC_ERRORABORT) camera_.Failed();
}

void TVideoWindow::OnControlEvent(TControlEvent event, int) {
  if (event == TControlEvent::Playing) ApplyWindowSettings();
}

// The picture can only be shown when the renderer gets frames; an
// unconnected renderer is reported before the graph starts.
void TVideoWindow::ApplyWindowSettings() {
  if (!renderer_) return;
  CheckResult(renderer_->ConnectionState());
  update();
}

void TVideoWindow::ShowCameraState(CameraState state) {
  no_picture_ = state == CameraState::Stalled || state == CameraState::Gone;
  if (no_picture_ && current_) {
    current_.reset();
    update();
  }
  if (state == CameraState::Gone && OnCameraGone) OnCameraGone();
}

void TVideoWindow::TakeFrame() {
  if (!renderer_) return;
  auto frame = renderer_->TakeLatestFrame();
  if (frame) camera_.FrameCame();
  if (frame && !no_picture_) {
    current_ = std::move(frame);
    ++frames_shown_;
    update();
  }
}

QSize TVideoWindow::PictureSize() const {
  if (!current_) return {};
  return {GST_VIDEO_INFO_WIDTH(&current_->info), GST_VIDEO_INFO_HEIGHT(&current_->info)};
}

// The screen pixels the control covers: the renderer makes its frames that
// size, so drawing one is a plain copy.
QSize TVideoWindow::ShownSize() const {
  const qreal ratio = devicePixelRatioF();
  return {qMax(1, qRound(width() * ratio)), qMax(1, qRound(height() * ratio))};
}

// The picture follows the control: frames of the new size come from the
// next one on; until then the last frame is stretched over the new bounds.
void TVideoWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (renderer_) {
    const QSize shown = ShownSize();
    renderer_->SetDisplaySize(shown.width(), shown.height());
  }
}

void TVideoWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (current_) {
    capture::MappedFrame pixels(*current_);
    if (pixels.Valid()) {
      const QImage image(pixels.Row(0), pixels.Width(), pixels.Height(), pixels.Stride(),
                         QImage::Format_RGB32);
      painter.drawImage(rect(), image);
      ++frames_painted_;
      return;
    }
  }
  painter.fillRect(rect(), palette().color(QPalette::Window));
}

}  // namespace vantora
