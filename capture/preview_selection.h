#pragma once
// The work behind choosing a device in the source menu and laying out the
// preview, kept apart from the window so it can run without one.

#include <optional>

namespace vantora {

class TFilterGraph;
class TSysDevEnum;
class TFilter;
class TSampleGrabber;
class TVideoWindow;

// Rebuilds the graph from scratch for the device at `index` and runs it:
// the old graph is stopped and released first, so two devices are never
// open at once. Raises "Interface not supported" when a member has no filter
// (no device at that position any more) and EDirectShowException for a
// failed platform result; the graph is then left stalled.
void BuildAndRunPreview(TFilterGraph& graph, const TSysDevEnum& devices, int index,
                        TFilter& source, TSampleGrabber& grabber, TVideoWindow& preview);

// Stops the graph and makes it inactive, as the window does on closing.
void ShutdownPreview(TFilterGraph& graph);

// The preview's place in the 228-pixel-wide video panel: 303 pixels high,
// the frame's aspect, shifted left to show the middle of the picture.
inline constexpr int kPreviewHeight = 303;
inline constexpr int kVideoPanelWidth = 228;

struct PreviewGeometry {
  int left = 0;
  int width = 0;
  int height = kPreviewHeight;
};

// None when no frame size is known (height or width 0): the layout then
// stays as it is.
std::optional<PreviewGeometry> ComputePreviewGeometry(int frame_width, int frame_height);

}  // namespace vantora
