#pragma once
// The device source member: holds the chosen device's moniker in serialised
// form and turns it into the device's source element whenever the graph
// becomes active.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "capture/platform/device_moniker.h"
#include "capture/filter_graph.h"

namespace vantora {

// A moniker kept as bytes, the way the window description stores it. The
// moniker object set last is kept beside its bytes, so the device a listing
// found is bound without listing the devices again.
class TBaseFilter {
 public:
  const std::vector<std::uint8_t>& Data() const { return data_; }
  void SetData(std::vector<std::uint8_t> data) {
    data_ = std::move(data);
    moniker_.reset();
  }

  // None for an empty block and for bytes that are no moniker.
  std::optional<capture::DeviceMoniker> Moniker() const;
  void SetMoniker(const std::optional<capture::DeviceMoniker>& moniker);

 private:
  std::vector<std::uint8_t> data_;
  std::optional<capture::DeviceMoniker> moniker_;
};

class TFilter : public TGraphComponent {
 public:
  explicit TFilter(std::string name = "Filter");
  ~TFilter() override;

  TBaseFilter BaseFilter;

  capture::ElementRef MemberFilter() const override { return device_filter_; }
  // The device the member's filter opens, while it has one.
  const std::optional<capture::DeviceMoniker>& BoundDevice() const { return bound_; }
  std::string MemberName() const override { return name_; }
  void NotifyMember(TMemberStage stage, int param) override;

 private:
  std::string name_;
  capture::ElementRef device_filter_;
  std::optional<capture::DeviceMoniker> bound_;
};

}  // namespace vantora
