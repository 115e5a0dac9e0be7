#include "capture/platform/capture_graph.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>

#include "capture/platform/camera_mode.h"
#include "capture/platform/gst_runtime.h"

namespace vantora::capture {

struct CaptureGraph::Shared {
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<GraphEvent> events;
  std::function<void()> notify;
  bool notify_pending = false;
  std::optional<Result> run_error;  // the first error since Run began
  std::set<GstPad*> fed;            // sink pads that have seen their first frame
};

namespace {

Result ResultFromError(GstMessage* message) {
  GError* raw = nullptr;
  gchar* debug = nullptr;
  gst_message_parse_error(message, &raw, &debug);
  GErrorPtr error(raw);
  GCharPtr debug_text(debug);
  std::string text = error && error->message ? error->message : "";
  return {VFW_E_RUNTIME_ERROR, text};
}

// The event a message means to the program; code 0 for the messages it
// does not hear about.
GraphEvent ToGraphEvent(GstMessage* message) {
  switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR: {
      Result r = ResultFromError(message);
      return {EC_ERRORABORT, r.code, 0, r.detail};
    }
    case GST_MESSAGE_EOS:
      return {EC_COMPLETE, S_OK, 0, {}};
    default:
      return {};
  }
}

// Runs on the thread that posts: keeps errors and end-of-stream for the
// program and drops every message, so the bus never grows. A handler that
// drops a message owns it and must unref it; each message holds its sender,
// so one forgotten message keeps a whole element, and with it the graph,
// alive.
GstBusSyncReply OnBusMessage(GstBus*, GstMessage* message, gpointer data) {
  auto& shared = SharedWithCallback<CaptureGraph::Shared>::From(data);
  GraphEvent event = ToGraphEvent(message);
  gst_message_unref(message);
  if (event.code == 0) return GST_BUS_DROP;
  std::lock_guard lock(shared.mutex);
  if (event.code == EC_ERRORABORT && !shared.run_error) {
    shared.run_error = Result(static_cast<HRESULT>(event.param1), event.text);
  }
  if (shared.events.size() == kMaxQueuedGraphEvents) shared.events.pop_front();
  shared.events.push_back(std::move(event));
  shared.changed.notify_all();
  if (shared.notify && !shared.notify_pending) {
    shared.notify_pending = true;
    shared.notify();
  }
  return GST_BUS_DROP;
}

GstPadProbeReturn OnFirstFrame(GstPad* pad, GstPadProbeInfo*, gpointer data) {
  auto& shared = SharedWithCallback<CaptureGraph::Shared>::From(data);
  std::lock_guard lock(shared.mutex);
  shared.fed.insert(pad);
  shared.changed.notify_all();
  return GST_PAD_PROBE_OK;
}

template <typename Fn>
void ForEachItem(GstIterator* raw, Fn fn) {
  IteratorPtr it(raw);
  GValue item = G_VALUE_INIT;
  bool done = false;
  while (!done) {
    switch (gst_iterator_next(it.get(), &item)) {
      case GST_ITERATOR_OK:
        fn(item);
        g_value_reset(&item);
        break;
      case GST_ITERATOR_RESYNC:
        gst_iterator_resync(it.get());
        break;
      default:
        done = true;
    }
  }
  g_value_unset(&item);
}

std::vector<PadRef> PadsOf(GstElement* element) {
  std::vector<PadRef> pads;
  ForEachItem(gst_element_iterate_pads(element), [&](const GValue& v) {
    pads.push_back(PadRef::Share(GST_PAD(g_value_get_object(&v))));
  });
  return pads;
}

// What goes between a device and the grabber for a picture of this media:
// raw video goes as it comes; motion JPEG is decoded. Converting is left to
// the renderer, at the size shown, and to the grab, for the frame grabbed.
std::vector<const char*> ChainFor(const std::string& media) {
  if (media == "image/jpeg") return {"capsfilter", "jpegdec"};
  return {"capsfilter"};
}

// The caps that pin the device to its chosen mode; when the device names no
// mode of fixed size, only the kind of picture (raw before motion JPEG) is
// pinned and negotiation settles the rest.
CapsRef DeviceCapsFor(GstCaps* offered, std::string* media) {
  if (auto mode = ChooseMode(ModesOf(offered))) {
    *media = mode->media;
    return CapsForMode(*mode);
  }
  for (const char* wanted : {"video/x-raw", "image/jpeg"}) {
    for (guint i = 0; offered && !gst_caps_is_any(offered) && i < gst_caps_get_size(offered); ++i) {
      if (g_str_equal(gst_structure_get_name(gst_caps_get_structure(offered, i)), wanted)) {
        *media = wanted;
        return CapsRef::Adopt(gst_caps_new_empty_simple(wanted));
      }
    }
  }
  return {};
}

}  // namespace

CaptureGraph::CaptureGraph() : shared_(std::make_shared<Shared>()) {
  EnsureGstreamer();
  pipeline_ = AdoptFloating(gst_pipeline_new(nullptr));
  auto bus = BusRef::Adopt(gst_element_get_bus(pipeline_.get()));
  gst_bus_set_sync_handler(bus.get(), OnBusMessage, SharedWithCallback<Shared>::New(shared_),
                           SharedWithCallback<Shared>::Delete);
}

CaptureGraph::~CaptureGraph() {
  gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
  auto bus = BusRef::Adopt(gst_element_get_bus(pipeline_.get()));
  gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
}

Result CaptureGraph::AddFilter(const ElementRef& filter, const std::string& name) {
  if (!filter) return E_POINTER;
  if (GST_OBJECT_PARENT(filter.get())) return E_INVALIDARG;
  if (!name.empty()) gst_object_set_name(GST_OBJECT(filter.get()), name.c_str());
  // The element is no longer floating, so the bin takes a reference of its
  // own and gives it back on removal; the caller's stays with the caller.
  return gst_bin_add(GST_BIN(pipeline_.get()), filter.get()) ? S_OK : E_FAIL;
}

Result CaptureGraph::RemoveFilter(const ElementRef& filter) {
  if (!filter) return E_POINTER;
  if (!Contains(filter)) return VFW_E_NOT_FOUND;
  gst_element_set_state(filter.get(), GST_STATE_NULL);
  return gst_bin_remove(GST_BIN(pipeline_.get()), filter.get()) ? S_OK : E_FAIL;
}

std::vector<ElementRef> CaptureGraph::Filters() const {
  std::vector<ElementRef> filters;
  ForEachItem(gst_bin_iterate_elements(GST_BIN(pipeline_.get())), [&](const GValue& v) {
    filters.push_back(ElementRef::Share(GST_ELEMENT(g_value_get_object(&v))));
  });
  return filters;
}

bool CaptureGraph::Contains(const ElementRef& filter) const {
  return filter && GST_OBJECT_PARENT(filter.get()) == GST_OBJECT(pipeline_.get());
}

Result CaptureGraph::DisconnectPins(const ElementRef& filter) {
  if (!filter) return E_POINTER;
  for (const PadRef& pad : PadsOf(filter.get())) {
    auto peer = PadRef::Adopt(gst_pad_get_peer(pad.get()));
    if (!peer) continue;
    bool ok = GST_PAD_IS_SRC(pad.get()) ? gst_pad_unlink(pad.get(), peer.get())
                                        : gst_pad_unlink(peer.get(), pad.get());
    if (!ok) return E_FAIL;
  }
  return S_OK;
}

Result CaptureGraph::RenderStream(const ElementRef& source, const ElementRef& grabber,
                                  const ElementRef& renderer) {
  if (!Contains(source) || !Contains(grabber) || !Contains(renderer)) return E_INVALIDARG;

  // A device tells its real formats only once it is open.
  {
    std::lock_guard lock(shared_->mutex);
    shared_->run_error.reset();
  }
  if (gst_element_set_state(source.get(), GST_STATE_READY) == GST_STATE_CHANGE_FAILURE) {
    gst_element_set_state(source.get(), GST_STATE_NULL);
    std::lock_guard lock(shared_->mutex);
    return shared_->run_error.value_or(Result(VFW_E_CANNOT_CONNECT));
  }
  auto src_pad = PadRef::Adopt(gst_element_get_static_pad(source.get(), "src"));
  if (!src_pad) return VFW_E_CANNOT_CONNECT;
  auto caps = CapsRef::Adopt(gst_pad_query_caps(src_pad.get(), nullptr));
  std::string media;
  CapsRef device_caps = DeviceCapsFor(caps.get(), &media);
  if (!device_caps) return VFW_E_CANNOT_CONNECT;
  auto chain = ChainFor(media);

  std::vector<ElementRef> steps;
  for (const char* factory : chain) {
    ElementRef e = MakeElement(factory);
    if (!e) return {VFW_E_CANNOT_CONNECT, MissingElementText(factory)};
    steps.push_back(std::move(e));
  }
  g_object_set(steps.front().get(), "caps", device_caps.get(), nullptr);

  GstElement* previous = source.get();
  for (const ElementRef& step : steps) {
    if (Failed(AddFilter(step, {}).code)) return E_FAIL;
    if (!gst_element_link(previous, step.get())) return VFW_E_CANNOT_CONNECT;
    previous = step.get();
  }
  if (!gst_element_link(previous, grabber.get()) ||
      !gst_element_link(grabber.get(), renderer.get())) {
    return VFW_E_CANNOT_CONNECT;
  }
  return S_OK;
}

Result CaptureGraph::Run(std::chrono::milliseconds negotiation_timeout) {
  // Every linked sink must see its first frame before the graph counts as
  // started, so callers can ask for the frame size straight away, and an
  // error of the first negotiation is a failed start: a device refuses its
  // format (busy, say) from the streaming thread, and where nothing decodes
  // in between, the format has reached the sinks before that.
  std::vector<std::pair<PadRef, gulong>> watched;
  {
    std::lock_guard lock(shared_->mutex);
    shared_->run_error.reset();
    shared_->fed.clear();
  }
  ForEachItem(gst_bin_iterate_sinks(GST_BIN(pipeline_.get())), [&](const GValue& v) {
    for (PadRef& pad : PadsOf(GST_ELEMENT(g_value_get_object(&v)))) {
      if (GST_PAD_IS_SINK(pad.get()) && gst_pad_is_linked(pad.get())) {
        gulong id = gst_pad_add_probe(pad.get(), GST_PAD_PROBE_TYPE_BUFFER, OnFirstFrame,
                                      SharedWithCallback<Shared>::New(shared_), SharedWithCallback<Shared>::Delete);
        watched.emplace_back(std::move(pad), id);
      }
    }
  });

  GstStateChangeReturn ret = gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING);
  std::optional<Result> failure;
  {
    std::unique_lock lock(shared_->mutex);
    if (ret == GST_STATE_CHANGE_FAILURE) {
      failure = shared_->run_error.value_or(Result(E_FAIL));
    } else {
      shared_->changed.wait_for(lock, negotiation_timeout, [&] {
        return shared_->run_error || shared_->fed.size() >= watched.size();
      });
      failure = shared_->run_error;
    }
  }
  for (auto& [pad, id] : watched) gst_pad_remove_probe(pad.get(), id);

  if (failure) {
    gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
    running_ = false;
    return *failure;
  }
  running_ = true;
  return S_OK;
}

Result CaptureGraph::Stop() {
  running_ = false;
  return gst_element_set_state(pipeline_.get(), GST_STATE_NULL) == GST_STATE_CHANGE_FAILURE
             ? Result(E_FAIL)
             : Result(S_OK);
}

bool CaptureGraph::Running() const { return running_; }

void CaptureGraph::SetEventNotify(std::function<void()> notify) {
  std::lock_guard lock(shared_->mutex);
  shared_->notify = std::move(notify);
  shared_->notify_pending = false;
}

std::optional<GraphEvent> CaptureGraph::GetEvent() {
  std::lock_guard lock(shared_->mutex);
  if (shared_->events.empty()) {
    shared_->notify_pending = false;
    return std::nullopt;
  }
  GraphEvent event = std::move(shared_->events.front());
  shared_->events.pop_front();
  return event;
}

}  // namespace vantora::capture
