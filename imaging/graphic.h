#pragma once

#include <functional>
#include <memory>

#include "imaging/geometry.h"

namespace vantora {

class TCanvas;

// A picture that can be drawn on a surface: a bitmap or a JPEG image.
class TGraphic {
 public:
  virtual ~TGraphic() = default;

  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int w) = 0;
  virtual void SetHeight(int h) = 0;
  virtual bool Empty() const = 0;

  // Stretch-draws the whole graphic into r of the surface.
  virtual void Draw(TCanvas& canvas, const TRect& r) const = 0;
  virtual std::unique_ptr<TGraphic> Clone() const = 0;

  // Fired after the content changes. The container holding the graphic
  // uses it; a copy of a graphic does not inherit it.
  std::function<void()> OnChange;

 protected:
  TGraphic() = default;
  TGraphic(const TGraphic&) {}
  TGraphic& operator=(const TGraphic&) { return *this; }

  void Changed() {
    if (OnChange) OnChange();
  }
};

}  // namespace vantora
