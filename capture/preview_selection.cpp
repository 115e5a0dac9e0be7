#include "capture/preview_selection.h"

#include <cstdint>

#include "capture/direct_show_error.h"
#include "capture/filter.h"
#include "capture/filter_graph.h"
#include "capture/sample_grabber.h"
#include "capture/sys_dev_enum.h"
#include "capture/video_window.h"
#include "imaging/rounding.h"

namespace vantora {

void BuildAndRunPreview(TFilterGraph& graph, const TSysDevEnum& devices, int index,
                        TFilter& source, TSampleGrabber& grabber, TVideoWindow& preview) {
  graph.ResetGraph();
  graph.SetActive(false);
  source.BaseFilter.SetMoniker(devices.DeviceMoniker(index));
  graph.SetActive(true);

  capture::CaptureGraph* builder = graph.CaptureGraphBuilder();
  if (!builder) throw EIntfCastError();
  capture::ElementRef renderer = preview.QueryBaseFilter();
  capture::ElementRef grabber_filter = grabber.QueryBaseFilter();
  capture::ElementRef device = source.QueryBaseFilter();
  // A device that cannot be connected is reported here with its reason
  // (a missing decoder, an unusable format) rather than later as a bare
  // "not connected".
  CheckResult(builder->RenderStream(device, grabber_filter, renderer));
  graph.RunGraph();
}

void ShutdownPreview(TFilterGraph& graph) {
  graph.ResetGraph();
  graph.SetActive(false);
}

std::optional<PreviewGeometry> ComputePreviewGeometry(int frame_width, int frame_height) {
  if (frame_width <= 0 || frame_height <= 0) return std::nullopt;
  const auto product = static_cast<std::int64_t>(frame_width) * kPreviewHeight;
  PreviewGeometry g;
  g.width = static_cast<int>(RoundHalfEven(static_cast<long double>(product) / frame_height));
  g.left = -static_cast<int>(RoundHalfEven(static_cast<long double>(g.width - kVideoPanelWidth) / 2));
  return g;
}

}  // namespace vantora
