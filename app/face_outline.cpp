#include "app/face_outline.h"

#include <QPainter>

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
  QFont font(QStringLiteral("宋体"));
  font.setPixelSize(14);
  hint_->setFont(font);
  hint_->hide();
  hide();
}

void TFaceOutline::Show(const guide::TFaceJudgement& judgement, Clock::time_point frameTime) {
  faces_ = judgement.faces;
  holds_ = guide::RuleHolds(judgement.verdict);
  frameTime_ = frameTime;
  latencyPending_ = !faces_.empty();
  const QColor colour = VerdictColour(judgement.verdict);
  hint_->setText(QString::fromUtf8(guide::VerdictText(judgement.verdict)));
  hint_->setStyleSheet(QStringLiteral("QLabel { background: rgba(0, 0, 0, 150); color: %1; padding: 0 4px; }")
                           .arg(colour.name()));
  PlaceHint();
  hint_->show();
  hint_->raise();
  show();
  raise();
  hint_->raise();
  update();
}

void TFaceOutline::Clear() {
  faces_.clear();
  latencyPending_ = false;
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
