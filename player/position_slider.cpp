#include "player/position_slider.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>
#include <algorithm>

namespace cw::player {

PositionSlider::PositionSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {}

void PositionSlider::setSelectionStart(int start) {
  selStart_ = start;
  update();
}

void PositionSlider::setSelectionLength(int length) {
  selLength_ = length;
  update();
}

void PositionSlider::setSelectRange(bool on) {
  selectRange_ = on;
  update();
}

void PositionSlider::clearSelection() {
  selStart_ = 0;
  selLength_ = 0;
  update();
}

// The selected range is a band under the groove, between the handle centres
// of its two ends.
void PositionSlider::paintEvent(QPaintEvent* event) {
  if (selLength_ > 0 && maximum() > minimum()) {
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect handle =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const int span = width() - handle.width();
    auto xOf = [&](int value) {
      const int clamped = std::clamp(value, minimum(), maximum());
      return handle.width() / 2 +
             QStyle::sliderPositionFromValue(minimum(), maximum(), clamped, span);
    };
    const int left = xOf(selStart_);
    const int right = xOf(selStart_ + selLength_);
    QPainter painter(this);
    const int bandHeight = std::max(3, height() / 5);
    painter.fillRect(QRect(left, height() - bandHeight - 1, std::max(right - left, 1), bandHeight),
                     palette().color(QPalette::Highlight));
  }
  QSlider::paintEvent(event);
}

}  // namespace cw::player
