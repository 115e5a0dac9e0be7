#pragma once
// One capture graph: a pipeline that filters (elements) join and leave, the
// building of the preview stream between device, grabber and renderer, run
// and stop with result codes, and the graph's events queued for the program.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "capture/platform/gst_handles.h"
#include "capture/platform/result_code.h"

namespace vantora::capture {

// Event codes as the graph's users know them.
inline constexpr std::int32_t EC_COMPLETE = 0x01;
inline constexpr std::int32_t EC_ERRORABORT = 0x03;
inline constexpr std::int32_t EC_PALETTE_CHANGED = 0x09;
inline constexpr std::int32_t EC_VMR_RENDERDEVICE_SET = 0x53;

struct GraphEvent {
  std::int32_t code = 0;
  std::intptr_t param1 = 0;  // for EC_ERRORABORT: the failure's result code
  std::intptr_t param2 = 0;
  std::string text;          // what GStreamer said, when it said anything
};

// The most events kept while nobody reads them; older ones give way.
inline constexpr std::size_t kMaxQueuedGraphEvents = 64;

// How long Run waits for the first frame (the first negotiation) before it
// hands back a running graph that has sent nothing yet.
inline constexpr std::chrono::milliseconds kNegotiationTimeout{5000};

class CaptureGraph {
 public:
  CaptureGraph();
  ~CaptureGraph();  // stops the graph; streaming threads have ended on return
  CaptureGraph(const CaptureGraph&) = delete;
  CaptureGraph& operator=(const CaptureGraph&) = delete;

  Result AddFilter(const ElementRef& filter, const std::string& name);
  Result RemoveFilter(const ElementRef& filter);
  std::vector<ElementRef> Filters() const;
  bool Contains(const ElementRef& filter) const;
  // Undoes every link of one filter's pads.
  static Result DisconnectPins(const ElementRef& filter);

  // Links source -> whatever decoding is needed -> grabber -> renderer. The
  // filters must already be in this graph.
  Result RenderStream(const ElementRef& source, const ElementRef& grabber,
                      const ElementRef& renderer);

  // Starts streaming and waits (bounded) until the first frame has reached
  // every linked sink, or the graph reports an error; an error stops it again.
  Result Run(std::chrono::milliseconds negotiation_timeout = kNegotiationTimeout);
  Result Stop();
  bool Running() const;

  // Called on whatever thread posts an event, once per batch: it must only
  // schedule a call of GetEvent on the program's own thread.
  void SetEventNotify(std::function<void()> notify);
  std::optional<GraphEvent> GetEvent();

  GstElement* Pipeline() const { return pipeline_.get(); }

  struct Shared;

 private:
  std::shared_ptr<Shared> shared_;
  ElementRef pipeline_;
  bool running_ = false;
};

}  // namespace vantora::capture
