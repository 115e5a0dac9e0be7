#include "app/face_outline.h"

#include <QPainter>
#include <QRegion>

namespace vantora {

namespace {
const QColor kRuleHolds(0, 200, 60);
const QColor kRuleFails(255, 176, 0);
constexpr int kHintHeight = 18;
constexpr int kHintMargin = 3;
constexpr std::size_t kLatenciesKept = 4096;
}  // namespace

QColor VerdictColour(guide::TFaceVerdict verdict) {
  return guide::RuleHolds(verdict) ? kRuleHolds : kRuleFails;
}

TFaceOutline::TFaceOutline(QWidget* videoPanel, const QRect& picture)
    : QWidget(videoPanel), hint_(new QLabel(videoPanel)), picture_(picture) {
  setObjectName(QStringLiteral("FaceOutline"));
  setGeometry(picture);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_NoSystemBackground);
  hint_->setObjectName(QStringLiteral("FaceHint"));
  hint_->setAccessibleName(QString::fromUtf8("人脸提示"));
  hint_->setAttribute(Qt::WA_TransparentForMouseEvents);
  hint_->setAlignment(Qt::AlignCenter);
  hint_->setAutoFillBackground(true);
  QPalette palette = hint_->palette();
  palette.setColor(QPalette::Window, QColor(0, 0, 0, 150));
  hint_->setPalette(palette);
  QFont font(QStringLiteral("宋体"));
  font.setPixelSize(14);
  hint_->setFont(font);
  hint_->hide();
  hide();
}

void TFaceOutline::Show(const guide::TFaceJudgement& judgement, Clock::time_point frameTime) {
  // Only the boxes' old and new places are repainted: the video beneath is
  // drawn again wherever this widget asks, 30 times a second.
  QRegion changed = BoxesRegion();
  faces_ = judgement.faces;
  holds_ = guide::RuleHolds(judgement.verdict);
  frameTime_ = frameTime;
  latencyPending_ = !faces_.empty();
  changed += BoxesRegion();
  const QString text = QString::fromUtf8(guide::VerdictText(judgement.verdict));
  const QColor colour = VerdictColour(judgement.verdict);
  if (colour != hintColour_) {
    // A palette, not a style sheet: the label is drawn again with every video
    // frame beneath it, and the style sheet's way costs far more.
    hintColour_ = colour;
    QPalette palette = hint_->palette();
    palette.setColor(QPalette::WindowText, colour);
    hint_->setPalette(palette);
  }
  if (hint_->text() != text) {
    hint_->setText(text);
    PlaceHint();
  }
  if (!isVisible()) {
    show();
    hint_->show();
    hint_->raise();
    changed = rect();
  }
  update(changed);
}

QRegion TFaceOutline::BoxesRegion() const {
  QRegion region;
  for (const guide::TBox& f : faces_) region += QRect(f.x, f.y, f.width, f.height);
  return region;
}

void TFaceOutline::Clear() {
  faces_.clear();
  latencyPending_ = false;
  hintColour_ = QColor();
  hint_->clear();
  hint_->hide();
  hide();
}

void TFaceOutline::PlaceHint() {
  const int width = std::min(picture_.width(), hint_->sizeHint().width() + 8);
  hint_->setGeometry(picture_.left() + (picture_.width() - width) / 2,
                     picture_.bottom() + 1 - kHintHeight - kHintMargin, width, kHintHeight);
}

void TFaceOutline::paintEvent(QPaintEvent*) {
  if (faces_.empty()) return;
  QPainter painter(this);
  painter.setPen(QPen(holds_ ? kRuleHolds : kRuleFails, 1));
  for (const guide::TBox& f : faces_) painter.drawRect(f.x, f.y, f.width - 1, f.height - 1);
  if (latencyPending_) {
    latencyPending_ = false;
    // A day's worth would only grow; the recent ones are what is measured.
    if (latencies_.size() >= kLatenciesKept) latencies_.erase(latencies_.begin(), latencies_.begin() + kLatenciesKept / 2);
    latencies_.push_back(Clock::now() - frameTime_);
  }
}

}  // namespace vantora
