#include "capture/filter.h"

namespace vantora {

std::optional<capture::DeviceMoniker> TBaseFilter::Moniker() const {
  if (data_.empty()) return std::nullopt;
  if (moniker_) return moniker_;
  return capture::DeviceMoniker::Deserialize(data_);
}

void TBaseFilter::SetMoniker(const std::optional<capture::DeviceMoniker>& moniker) {
  data_ = moniker ? moniker->Serialize() : std::vector<std::uint8_t>{};
  moniker_ = moniker;
}

TFilter::TFilter(std::string name) : name_(std::move(name)) {}

TFilter::~TFilter() { DetachQuietly(); }

void TFilter::NotifyMember(TMemberStage stage, int) {
  switch (stage) {
    case TMemberStage::Adding:
      // No moniker, or a device that is gone: the member stays without a
      // filter, and asking it for one fails later.
      if (auto moniker = BaseFilter.Moniker()) device_filter_ = moniker->BindToElement(&bound_);
      break;
    case TMemberStage::Added:
      break;
    case TMemberStage::Removing:
      if (device_filter_) gst_element_set_state(device_filter_.get(), GST_STATE_NULL);
      break;
    case TMemberStage::Removed:
      device_filter_.reset();
      bound_.reset();
      break;
    case TMemberStage::Refresh:
      if (TFilterGraph* graph = FilterGraph()) {
        graph->DetachMember(*this);
        graph->AttachMember(*this);
      }
      break;
  }
}

}  // namespace vantora
