#pragma once

#include <QWidget>

#include "imaging/graphics.h"

namespace vantora {

// The image control: shows its picture at natural size from the top-left
// corner, or stretched over the whole control without keeping proportions.
// It repaints whenever the picture changes or is drawn on.
class TImage : public QWidget {
 public:
  explicit TImage(QWidget* parent = nullptr);
  ~TImage() override;

  TPicture& Picture() { return picture_; }
  const TPicture& Picture() const { return picture_; }

  // The surface of the picture's bitmap. An empty picture first gets a
  // bitmap of the control's size; any other graphic cannot be drawn on and
  // gives EInvalidGraphicOperation.
  TCanvas& Canvas();

  bool Stretch() const { return stretch_; }
  void SetStretch(bool on);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  TPicture picture_;
  bool stretch_ = false;
};

}  // namespace vantora
