#pragma once
// The face guide's marks over the live picture: a thin outline around each
// face found, green when the rule holds and amber when it does not, and one
// short hint at the foot of the picture. Both lie over the video window
// inside the video panel; neither takes the pointer, so the panel and the
// guide lines behave as without them.
#include <QLabel>
#include <QWidget>
#include <chrono>
#include <vector>

#include "guide/face_rule.h"

namespace vantora {

class TFaceOutline : public QWidget {
 public:
  // `picture` is the panel's picture area: the 228x303 the portrait shows.
  TFaceOutline(QWidget* videoPanel, const QRect& picture);

  using Clock = std::chrono::steady_clock;
  // The judgement of a frame that passed the grabber at `frameTime`.
  void Show(const guide::TFaceJudgement& judgement, Clock::time_point frameTime);
  void Clear();

  QLabel* Hint() const { return hint_; }
  // For each judgement outlined: from its frame's arrival to the paint that
  // put the outline on the screen.
  const std::vector<Clock::duration>& OutlineLatencies() const { return latencies_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void PlaceHint();
  QRegion BoxesRegion() const;

  QLabel* hint_;
  QRect picture_;
  std::vector<guide::TBox> faces_;
  bool holds_ = false;
  QColor hintColour_;
  bool latencyPending_ = false;
  Clock::time_point frameTime_{};
  std::vector<Clock::duration> latencies_;
};

// The colour of a verdict's outline and text.
QColor VerdictColour(guide::TFaceVerdict verdict);

}  // namespace vantora
