#include "widgets/ValueSlider.h"

#include <algorithm>
#include <cmath>

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyleOptionSlider>

#include "core/BoundedValue.h"
#include "widgets/ValueSliderStyle.h"
#include "widgets/ValueText.h"

namespace gm {

namespace {

constexpr int kTextPaddingPixels = 6;
// Texts are measured at this many evenly spread values: enough to find the widest one (digit
// counts change only at a few places) without formatting a huge range.
constexpr long long kMeasuredValues = 256;

}  // namespace

ValueSlider::ValueSlider(BoundedValue& model, TextFormat format, Scale scale, Qt::Orientation orientation,
                         QWidget* parent)
    : QSlider(orientation, parent), model_(model), format_(format), scale_(scale), handleStyle_(new ValueSliderStyle) {
  handleStyle_->setParent(this);
  setStyle(handleStyle_);
  // Clicked, the slider must not keep the keyboard: a DJ's Home, End or arrow key meant for a
  // shortcut would otherwise throw the pitch of the deck touched last.
  setFocusPolicy(Qt::NoFocus);
  if (scale_ == Scale::Logarithmic) {
    setRange(0, kLogPositions);
  } else {
    setRange(model_.minimum(), model_.maximum());
  }
  setValue(positionForValue(model_.value()));
  setEnabled(model_.enabled());
  fitHandleToText();

  connect(this, &QSlider::valueChanged, &model_, [this](int position) { model_.setValue(valueForPosition(position)); });
  connect(&model_, &BoundedValue::valueChanged, this, &ValueSlider::showModelValue);
  connect(&model_, &BoundedValue::displayChanged, this, &ValueSlider::showModelValue);
  connect(&model_, &BoundedValue::enabledChanged, this, &QWidget::setEnabled);
  connect(&model_, &BoundedValue::rangeChanged, this, [this](int minimum, int maximum) {
    if (scale_ == Scale::Linear) {
      const QSignalBlocker quiet(this);
      setRange(minimum, maximum);
    }
    showModelValue(model_.value());
  });
}

QString ValueSlider::valueText() const {
  return valueShown_ ? format_(model_.value()) : QString::fromLatin1(kNoValueText);
}

void ValueSlider::setValueShown(bool shown) {
  if (shown == valueShown_) return;
  valueShown_ = shown;
  update();
}

int ValueSlider::positionForValue(int value) const {
  if (scale_ == Scale::Linear) return value;
  const double fraction = value_text::logPositionFraction(value, model_.minimum(), model_.maximum());
  return static_cast<int>(std::lround(fraction * kLogPositions));
}

int ValueSlider::valueForPosition(int position) const {
  if (scale_ == Scale::Linear) return position;
  return value_text::logValueAt(static_cast<double>(position) / kLogPositions, model_.minimum(), model_.maximum());
}

// [main-thread] The model moved (from this slider, the command port or a mapped event).
void ValueSlider::showModelValue(int value) {
  // Several positions of a logarithmic slider can share one value: leave the handle where the
  // user put it when it already shows this value.
  if (valueForPosition(this->value()) != value) {
    const QSignalBlocker quiet(this);
    setValue(positionForValue(value));
  }
  update();
}

void ValueSlider::fitHandleToText() {
  const QFontMetrics metrics(font());
  const long long minimum = model_.minimum();
  const long long span = static_cast<long long>(model_.maximum()) - minimum;
  const long long stride = std::max(1LL, span / kMeasuredValues);
  int widestPixels = 0;
  for (long long value = minimum; value <= minimum + span; value += stride) {
    widestPixels = std::max(widestPixels, metrics.horizontalAdvance(format_(static_cast<int>(value))));
  }
  widestPixels = std::max(widestPixels, metrics.horizontalAdvance(format_(model_.maximum())));
  const int acrossTextPixels = metrics.height() + kTextPaddingPixels;
  const int alongTextPixels = widestPixels + 2 * kTextPaddingPixels;
  if (orientation() == Qt::Horizontal) {
    handleStyle_->setHandleExtent(alongTextPixels, acrossTextPixels);
  } else {
    handleStyle_->setHandleExtent(acrossTextPixels, alongTextPixels);
  }
  updateGeometry();
  update();
}

void ValueSlider::paintEvent(QPaintEvent* event) {
  QSlider::paintEvent(event);
  QStyleOptionSlider option;
  initStyleOption(&option);
  const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
  QPainter painter(this);
  const auto group = isEnabled() ? QPalette::Active : QPalette::Disabled;
  painter.setPen(palette().color(group, QPalette::ButtonText));
  painter.drawText(handle, Qt::AlignCenter, valueText());
}

void ValueSlider::changeEvent(QEvent* event) {
  QSlider::changeEvent(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) fitHandleToText();
}

}  // namespace gm
