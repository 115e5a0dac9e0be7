#pragma once
// The preview control: a widget that is also the graph's renderer member. It
// draws the latest frame stretched over its own rectangle, so the picture
// follows the control wherever it is moved or resized; where there is no
// picture it shows its blue background. The renderer delivers frames at the
// control's size, so the stretch normally costs nothing.
//
// It keeps the state of the camera it previews (camera_watch.h), fed by what
// reaches it on the GUI thread: every frame, the graph's error, its graph
// going down. A camera that stalls or has gone shows blue rather than its
// last frame frozen, until frames come again.

#include <QWidget>
#include <memory>
#include <optional>
#include <string>

#include "capture/camera_watch.h"
#include "capture/filter_graph.h"
#include "capture/platform/video_frame.h"
#include "capture/platform/video_renderer.h"

namespace vantora {

enum class TVideoMode { vmNormal, vmVMR };

class TVideoWindow : public QWidget, public TGraphComponent, public GraphNotifier {
 public:
  explicit TVideoWindow(QWidget* parent = nullptr, std::string name = "AVCapture1");
  ~TVideoWindow() override;

  TVideoMode Mode() const { return TVideoMode::vmNormal; }
  bool FullScreen() const { return false; }
  // Frames taken for drawing since the control was made, and frames drawn
  // on its surface; for tests and measurements.
  long long FramesShown() const { return frames_shown_; }
  long long FramesPainted() const { return frames_painted_; }
  bool ShowsFrame() const { return current_.has_value(); }
  // The size of the frame on show, in screen pixels; empty without one.
  QSize PictureSize() const;

  // The camera previewed; watched from Started() on.
  TCameraWatch& Camera() { return camera_; }
  // The camera has gone: its graph and device node are to be let go of.
  std::function<void()> OnCameraGone;

  capture::ElementRef MemberFilter() const override;
  std::string MemberName() const override { return name_; }
  void NotifyMember(TMemberStage stage, int param) override;

  void OnGraphEvent(std::int32_t code, std::intptr_t param1, std::intptr_t param2) override;
  void OnControlEvent(TControlEvent event, int param) override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QSize ShownSize() const;
  void ApplyWindowSettings();
  void TakeFrame();
  void ShowCameraState(CameraState state);

  std::string name_;
  std::unique_ptr<capture::VideoRenderer> renderer_;
  std::optional<capture::FrameSnapshot> current_;
  long long frames_shown_ = 0;
  long long frames_painted_ = 0;
  bool no_picture_ = false;
  TCameraWatch camera_;
};

}  // namespace vantora
