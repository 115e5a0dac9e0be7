// The main window's capture side: the live video window, the device menu,
// choosing a device and laying out its preview, and the capture shutdown.
// The work itself lives in the capture layer; these handlers stay short.
#include <QAction>
#include <QMenu>
#include <QPushButton>

#include "app/main_window.h"
#include "capture/filter.h"
#include "capture/filter_graph.h"
#include "capture/preview_selection.h"
#include "capture/sample_grabber.h"
#include "capture/sys_dev_enum.h"
#include "capture/video_window.h"
#include "framework/error_guard.h"
#include "imaging/graphics.h"
#include "framework/image_control.h"

namespace vantora {
namespace {

TVideoWindow& Preview(QWidget* avCapture1) { return static_cast<TVideoWindow&>(*avCapture1); }

}  // namespace

// Runs while the window's controls are built. Nothing here starts GStreamer:
// the grabber, which needs it, joins in StartCapture.
void TMain::CreateAVCapture1() {
  FilterGraph = std::make_unique<TFilterGraph>();
  FilterGraph->OnHandlerError = [](const std::exception&) { ReportCurrentException(); };
  auto* preview = new TVideoWindow(VideoPanel, "AVCapture1");
  AVCapture1 = preview;
  AVCapture1->setGeometry(-8, 8, 404, 303);
  Filter = std::make_unique<TFilter>("Filter");
  preview->SetFilterGraph(FilterGraph.get());
}

void TMain::StartCapture() {
  SampleGrabber = std::make_unique<TSampleGrabber>("SampleGrabber");
  // The members join in the window's order: preview, grabber, source.
  SampleGrabber->SetFilterGraph(FilterGraph.get());
  Filter->SetFilterGraph(FilterGraph.get());
  Preview(AVCapture1).OnCameraGone = [this] { Guarded([this] { ReleaseLostCamera(); }); };
  Guarded([this] { FillDeviceMenu(); });
}

void TMain::FillDeviceMenu() {
  SysDevEnum = std::make_unique<TSysDevEnum>();
  SysDevEnum->OnRemoved = [this](const capture::DeviceIdentity& device) {
    if (Filter->BoundDevice() && Filter->BoundDevice()->Identity() == device) Preview(AVCapture1).Camera().Failed();
  };
  for (int i = 0; i < SysDevEnum->DeviceCount(); ++i) {
    QAction* item = Devices->addAction(QString::fromStdString(SysDevEnum->DeviceEntry(i).FriendlyName));
    item->setData(i);  // the item's Tag: the device's position in the list
    connect(item, &QAction::triggered, this, GuardedSlot([this, i](bool) { DeviceItemClick(i); }));
  }
}

void TMain::DeviceItemClick(int tag) {
  if (!SysDevEnum || !SampleGrabber) return;  // the list is gone once the window closes
  // The old camera stays watched until its graph is down (the preview's
  // watch is released then), so a failed stop leaves it as it is.
  BuildAndRunPreview(*FilterGraph, *SysDevEnum, tag, *Filter, *SampleGrabber, Preview(AVCapture1));
  Preview(AVCapture1).Camera().Started();
  BitBtn1->setEnabled(true);
  SampleGrabber->GrabFrame(*GrabBitmap);  // learns the frame size, frame or not
  ApplyPreviewGeometry();
}

void TMain::ApplyPreviewGeometry() {
  auto geometry = ComputePreviewGeometry(GrabBitmap->Width(), GrabBitmap->Height());
  if (!geometry) return;  // no frame size known: the layout stays as it is
  AVCapture1->setGeometry(geometry->left, AVCapture1->y(), geometry->width, geometry->height);
  Image2->resize(GrabBitmap->Width(), GrabBitmap->Height());
}

void TMain::ReleaseDeviceList() { SysDevEnum.reset(); }

void TMain::ShutDownCapture() { ShutdownPreview(*FilterGraph); }

// The camera is watched and has not gone, and the frame "拍照" would cut (the
// grabber's, read at the click) is no older than kNoPictureAfter.
bool TMain::CameraPictureIsCurrent() const {
  const CameraState state = Preview(AVCapture1).Camera().State();
  const auto last = SampleGrabber ? SampleGrabber->LatestFrameTime() : std::nullopt;
  return (state == CameraState::Starting || state == CameraState::Live) && last &&
         std::chrono::steady_clock::now() - *last <= kNoPictureAfter;
}

// Everything of a camera that has gone is released at once, its device node
// first of all: a camera plugged back in then finds its node free, and the
// menu item reaches it again.
void TMain::ReleaseLostCamera() { ShutDownCapture(); }

}  // namespace vantora
