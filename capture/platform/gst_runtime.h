#pragma once
// One process-wide start of GStreamer, with the station's own test-camera
// provider registered before anyone lists devices.

#include <string>
#include <string_view>
#include <vector>

#include "capture/platform/gst_handles.h"

namespace vantora::capture {

void EnsureGstreamer();

// A new element of the given factory, or an empty reference when the
// factory is not installed.
ElementRef MakeElement(const char* factory, const char* name = nullptr);

// The factories from the list that this system lacks, in list order.
std::vector<std::string> MissingFactories(const std::vector<std::string>& factories);

// What the station says of an element factory this system lacks.
std::string MissingElementText(const std::string& factory);

}  // namespace vantora::capture
