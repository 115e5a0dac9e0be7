#pragma once
// The capture graph holder: owns the platform objects of one graph and
// brings them into being and out again as a whole. Components join it as
// members (each owning one filter) and as notifiers (hearing its events).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "capture/platform/capture_graph.h"
#include "capture/platform/gst_handles.h"

class QObject;

namespace vantora {

enum class TGraphMode { gmNormal, gmCapture, gmDVD };
enum class TMemberStage { Adding, Added, Removing, Removed, Refresh };
enum class TControlEvent { Playing, Stopping, ActiveChanged };

class TFilterGraph;

class GraphMember {
 public:
  virtual ~GraphMember() = default;
  // The member's filter at this moment; empty while it has none.
  virtual capture::ElementRef MemberFilter() const = 0;
  virtual std::string MemberName() const = 0;
  virtual void NotifyMember(TMemberStage stage, int param) = 0;
};

class GraphNotifier {
 public:
  virtual ~GraphNotifier() = default;
  virtual void OnGraphEvent(std::int32_t code, std::intptr_t param1, std::intptr_t param2) = 0;
  virtual void OnControlEvent(TControlEvent event, int param) = 0;
};

class TFilterGraph {
 public:
  TFilterGraph();
  ~TFilterGraph();
  TFilterGraph(const TFilterGraph&) = delete;
  TFilterGraph& operator=(const TFilterGraph&) = delete;

  TGraphMode Mode() const { return mode_; }
  void SetMode(TGraphMode mode) { mode_ = mode; }

  bool Active() const { return graph_ != nullptr; }
  void SetActive(bool active);

  // Stops the graph and strips it down to the members' filters, unconnected.
  void ResetGraph();
  bool RunGraph();
  bool StopGraph();

  // The graph builder while active; null while inactive (a request that fails).
  capture::CaptureGraph* CaptureGraphBuilder() const { return graph_.get(); }

  // Membership; a member that also implements GraphNotifier hears the graph.
  void AttachMember(GraphMember& member);
  void DetachMember(GraphMember& member);
  const std::vector<GraphMember*>& Members() const { return members_; }

  // Reads the queued graph events and hands them to the notifiers; runs on
  // the GUI thread as the posted notification.
  void HandleGraphEvents();

  std::function<void()> OnActivate;
  std::function<void(std::int32_t, std::intptr_t, std::intptr_t)> OnDSEvent;
  // Where an error raised while graph events are handled goes (the
  // application's error box); without one it is dropped.
  std::function<void(const std::exception&)> OnHandlerError;

 private:
  friend class TGraphComponent;
  void Activate();
  void Deactivate();
  void SendControlEvent(TControlEvent event, int param);
  void AddMemberFilter(GraphMember& member);
  void RemoveMemberFilter(GraphMember& member);

  TGraphMode mode_ = TGraphMode::gmCapture;
  // Declared in this order so the graph, whose streaming threads post to the
  // target, always goes before the target does.
  std::unique_ptr<QObject> notification_target_;
  std::unique_ptr<capture::CaptureGraph> graph_;
  // Drops a member from both lists without touching its filter.
  void ForgetMember(GraphMember& member);

  std::vector<GraphMember*> members_;
  std::vector<std::pair<GraphMember*, GraphNotifier*>> notifiers_;
};

// The part every member shares: the graph it belongs to. Derived classes
// call SetFilterGraph(nullptr) in their destructors, while their own
// stage handling still works.
class TGraphComponent : public GraphMember {
 public:
  TGraphComponent() = default;
  ~TGraphComponent() override;
  TGraphComponent(const TGraphComponent&) = delete;
  TGraphComponent& operator=(const TGraphComponent&) = delete;

  TFilterGraph* FilterGraph() const { return filter_graph_; }
  void SetFilterGraph(TFilterGraph* graph);

 protected:
  // For destructors: leaves the graph; an error while the filter leaves
  // cannot escape a destructor, and the member is gone from the graph anyway.
  void DetachQuietly() noexcept;

 public:

  // The member's filter, or EIntfCastError ("Interface not supported") when
  // it has none.
  capture::ElementRef QueryBaseFilter() const;

 private:
  friend class TFilterGraph;
  TFilterGraph* filter_graph_ = nullptr;
};

}  // namespace vantora
