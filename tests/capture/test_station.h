#pragma once
// The preview's parts as the main window holds them, for the capture tests
// that drive the classes directly rather than through the window.

#include <QWidget>

#include "capture/filter.h"
#include "capture/filter_graph.h"
#include "capture/preview_selection.h"
#include "capture/sample_grabber.h"
#include "capture/sys_dev_enum.h"
#include "capture/video_window.h"

namespace vantora::testing {

// The graph and its three members, on a shown panel of the window's size.
// The device list is made here, so the test cameras must be chosen first.
struct Station {
  Station() {
    preview.setGeometry(-8, 8, 404, 303);
    panel.resize(228, 316);
    panel.show();
    preview.SetFilterGraph(&graph);
    grabber.SetFilterGraph(&graph);
    source.SetFilterGraph(&graph);
  }
  void Select(int index) { BuildAndRunPreview(graph, devices, index, source, grabber, preview); }

  TFilterGraph graph;
  QWidget panel;
  TVideoWindow preview{&panel};
  TSampleGrabber grabber;
  TFilter source;
  TSysDevEnum devices;
};

}  // namespace vantora::testing
