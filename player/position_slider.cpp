#include "player/position_slider.h"

#include <QAccessibleWidget>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>
#include <algorithm>

namespace cw::player {
namespace {

// What an assistive tool sees of the slider. A new value moves the slider as
// a drag does, so the pane seeks there; a plain setValue() would move the
// handle only.
class AccessiblePositionSlider : public QAccessibleWidget, public QAccessibleValueInterface {
 public:
  explicit AccessiblePositionSlider(PositionSlider* slider)
      : QAccessibleWidget(slider, QAccessible::Slider) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) return QString::number(slider()->value());
    return QAccessibleWidget::text(t);
  }

  QVariant currentValue() const override { return slider()->value(); }
  void setCurrentValue(const QVariant& value) override {
    if (slider()->isEnabled()) slider()->setSliderPosition(value.toInt());
  }
  QVariant maximumValue() const override { return slider()->maximum(); }
  QVariant minimumValue() const override { return slider()->minimum(); }
  QVariant minimumStepSize() const override { return slider()->singleStep(); }

 private:
  PositionSlider* slider() const { return static_cast<PositionSlider*>(widget()); }
};

QAccessibleInterface* accessibleFactory(const QString& className, QObject* object) {
  if (className == QLatin1String(PositionSlider::staticMetaObject.className()) && object &&
      object->isWidgetType()) {
    return new AccessiblePositionSlider(static_cast<PositionSlider*>(object));
  }
  return nullptr;
}

}  // namespace

PositionSlider::PositionSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
  static const bool installed = [] {
    QAccessible::installFactory(accessibleFactory);
    return true;
  }();
  (void)installed;
}

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
