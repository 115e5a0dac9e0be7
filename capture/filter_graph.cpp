#include "capture/filter_graph.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <algorithm>
#include <exception>

#include "capture/direct_show_error.h"

namespace vantora {

TFilterGraph::TFilterGraph() : notification_target_(std::make_unique<QObject>()) {}

TFilterGraph::~TFilterGraph() {
  try {
    SetActive(false);
  } catch (const std::exception&) {
    // The window is going away; there is nobody left to tell.
  }
  for (GraphMember* member : members_) {
    if (auto* component = dynamic_cast<TGraphComponent*>(member)) component->filter_graph_ = nullptr;
  }
}

void TFilterGraph::SetActive(bool active) {
  if (active == Active()) return;
  if (active) {
    Activate();
  } else {
    Deactivate();
  }
}

void TFilterGraph::Activate() {
  graph_ = std::make_unique<capture::CaptureGraph>();
  // Events come from streaming threads; they are read on the GUI thread. The
  // target object goes with the holder, and queued calls with it.
  QPointer<QObject> target(notification_target_.get());
  graph_->SetEventNotify([this, target] {
    if (!target) return;
    QMetaObject::invokeMethod(target.data(), [this] { HandleGraphEvents(); }, Qt::QueuedConnection);
  });
  for (GraphMember* member : members_) AddMemberFilter(*member);
  if (OnActivate) OnActivate();
  SendControlEvent(TControlEvent::ActiveChanged, 1);
}

void TFilterGraph::Deactivate() {
  SendControlEvent(TControlEvent::ActiveChanged, 0);
  // Filters leave a stopped graph: taking them out of a running one would
  // leave the rest streaming into nothing.
  graph_->Stop();
  // Every member leaves and the graph goes even when one of them fails, so
  // the holder never stays half active; the first failure is raised after.
  std::exception_ptr failure;
  for (GraphMember* member : members_) {
    try {
      RemoveMemberFilter(*member);
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
  }
  graph_->SetEventNotify(nullptr);  // no streaming thread calls back after this
  graph_.reset();
  if (failure) std::rethrow_exception(failure);
}

void TFilterGraph::AddMemberFilter(GraphMember& member) {
  member.NotifyMember(TMemberStage::Adding, 0);
  graph_->AddFilter(member.MemberFilter(), member.MemberName());  // not tested
  member.NotifyMember(TMemberStage::Added, 0);
}

void TFilterGraph::RemoveMemberFilter(GraphMember& member) {
  member.NotifyMember(TMemberStage::Removing, 0);
  graph_->RemoveFilter(member.MemberFilter());  // not tested
  member.NotifyMember(TMemberStage::Removed, 0);
}

void TFilterGraph::ResetGraph() {
  if (!graph_) return;
  StopGraph();
  for (const auto& filter : graph_->Filters()) CheckResult(capture::CaptureGraph::DisconnectPins(filter));
  for (const auto& filter : graph_->Filters()) {
    bool is_member = std::any_of(members_.begin(), members_.end(), [&](GraphMember* m) {
      return m->MemberFilter() == filter;
    });
    if (!is_member) CheckResult(graph_->RemoveFilter(filter));
  }
}

bool TFilterGraph::RunGraph() {
  if (!graph_) return false;
  SendControlEvent(TControlEvent::Playing, 0);
  CheckResult(graph_->Run());
  return true;
}

bool TFilterGraph::StopGraph() {
  if (!graph_) return false;
  SendControlEvent(TControlEvent::Stopping, 0);
  CheckResult(graph_->Stop());
  return true;
}

void TFilterGraph::SendControlEvent(TControlEvent event, int param) {
  auto notifiers = notifiers_;
  for (auto& [member, notifier] : notifiers) notifier->OnControlEvent(event, param);
}

void TFilterGraph::AttachMember(GraphMember& member) {
  if (std::find(members_.begin(), members_.end(), &member) != members_.end()) return;
  members_.push_back(&member);
  if (auto* notifier = dynamic_cast<GraphNotifier*>(&member)) notifiers_.emplace_back(&member, notifier);
  if (graph_) AddMemberFilter(member);
}

void TFilterGraph::DetachMember(GraphMember& member) {
  auto it = std::find(members_.begin(), members_.end(), &member);
  if (it == members_.end()) return;
  ForgetMember(member);
  if (graph_) RemoveMemberFilter(member);
}

void TFilterGraph::ForgetMember(GraphMember& member) {
  std::erase(members_, &member);
  std::erase_if(notifiers_, [&](const auto& entry) { return entry.first == &member; });
}

void TFilterGraph::HandleGraphEvents() {
  try {
    while (graph_) {
      auto event = graph_->GetEvent();
      if (!event) break;
      auto notifiers = notifiers_;  // a notifier may join or leave while it is told
      for (auto& [member, notifier] : notifiers) {
        notifier->OnGraphEvent(event->code, event->param1, event->param2);
      }
      if (OnDSEvent) OnDSEvent(event->code, event->param1, event->param2);
    }
  } catch (const std::exception& e) {
    if (OnHandlerError) OnHandlerError(e);
    // The streaming side posts again only once the queue has been emptied,
    // so the events still queued are handled at the next turn of the loop.
    QMetaObject::invokeMethod(notification_target_.get(), [this] { HandleGraphEvents(); }, Qt::QueuedConnection);
  }
}

TGraphComponent::~TGraphComponent() {
  // Derived classes have detached already; this only covers a graph that
  // still lists a half-destroyed member.
  if (filter_graph_) filter_graph_->ForgetMember(*this);
}

void TGraphComponent::SetFilterGraph(TFilterGraph* graph) {
  if (graph == filter_graph_) return;
  if (filter_graph_) filter_graph_->DetachMember(*this);
  filter_graph_ = graph;
  if (filter_graph_) filter_graph_->AttachMember(*this);
}

void TGraphComponent::DetachQuietly() noexcept {
  try {
    SetFilterGraph(nullptr);
  } catch (const std::exception&) {
    filter_graph_ = nullptr;
  }
}

capture::ElementRef TGraphComponent::QueryBaseFilter() const {
  capture::ElementRef filter = MemberFilter();
  if (!filter) throw EIntfCastError();
  return filter;
}

}  // namespace vantora
