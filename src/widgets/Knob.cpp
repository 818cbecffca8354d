#include "widgets/Knob.h"

#include <algorithm>
#include <array>
#include <cmath>

#include <QEvent>
#include <QFontInfo>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleHints>
#include <QWheelEvent>

#include "core/BoundedValue.h"
#include "widgets/KnobRenderer.h"

namespace gm {

namespace {

constexpr std::array<int, 5> kEdgePixelsByIndex = {24, 32, 40, 48, 0};
constexpr int kResizableMinimumPixels = 24;
constexpr int kResizableDefaultPixels = 32;
constexpr int kResizableMaximumPixels = 48;
constexpr int kWheelNotchAngle = 120;
// A wheel notch moves 2 % of the range (at least one step): fine enough to trim, quick enough to sweep.
constexpr long long kWheelNotchesPerRange = 50;

}  // namespace

Knob::Knob(BoundedValue& model, const QString& label, QWidget* parent)
    : QWidget(parent), model_(model), label_(label), defaultValue_(model.initial()) {
  setEnabled(model_.enabled());
  applySize();
  connect(&model_, &BoundedValue::valueChanged, this, qOverload<>(&QWidget::update));
  connect(&model_, &BoundedValue::displayChanged, this, qOverload<>(&QWidget::update));
  connect(&model_, &BoundedValue::enabledChanged, this, &QWidget::setEnabled);
}

void Knob::setColourRgb(std::uint32_t rgb) {
  colourRgb_ = rgb & 0xFFFFFFu;
  update();
}

void Knob::setSizeIndex(int index) {
  const bool known = index >= 0 && index < static_cast<int>(kEdgePixelsByIndex.size());
  sizeIndex_ = known ? index : kDefaultSizeIndex;
  edgePixels_ = kEdgePixelsByIndex[static_cast<std::size_t>(sizeIndex_)];
  applySize();
}

void Knob::setSensitivityPixels(int pixels) {
  // Zero or negative travel would divide by zero or turn the knob backwards.
  sensitivityPixels_ = std::max(1, pixels);
}

void Knob::reset() { model_.setValue(defaultValue_); }

int Knob::labelHeightPixels() const {
  return label_.isEmpty() ? 0 : std::max(0, fontMetrics().height() - 2);
}

QSize Knob::sizeHint() const {
  const int edge = edgePixels_ > 0 ? edgePixels_ : kResizableDefaultPixels;
  return {edge, edge + labelHeightPixels()};
}

QSize Knob::minimumSizeHint() const {
  const int edge = edgePixels_ > 0 ? edgePixels_ : kResizableMinimumPixels;
  return {edge, edge + labelHeightPixels()};
}

void Knob::applySize() {
  const int label = labelHeightPixels();
  if (edgePixels_ > 0) {
    setFixedSize(edgePixels_, edgePixels_ + label);
  } else {
    setMinimumSize(kResizableMinimumPixels, kResizableMinimumPixels + label);
    setMaximumSize(kResizableMaximumPixels, kResizableMaximumPixels + label);
  }
  updateGeometry();  // lets the enclosing layout re-arrange around the new size
  update();
}

void Knob::paintEvent(QPaintEvent*) {
  const double minimum = model_.minimum();
  const double span = static_cast<double>(model_.maximum()) - minimum;
  KnobRenderer::Look look;
  look.colourRgb = colourRgb_;
  look.valueFraction = span > 0 ? (model_.value() - minimum) / span : 0.0;
  // A range around zero (pan, a cut/boost band) lights the arc from the centre outwards.
  look.originFraction = (minimum < 0 && model_.maximum() > 0) ? -minimum / span : 0.0;
  look.enabled = isEnabled();
  look.label = label_;
  look.fontFamily = font().family();
  look.fontPixelSize = QFontInfo(font()).pixelSize();
  look.labelHeightPixels = labelHeightPixels();
  const QImage image = KnobRenderer::render(look, size(), devicePixelRatioF());
  if (image.isNull()) return;
  QPainter painter(this);
  painter.drawImage(QPoint(0, 0), image);
}

void Knob::mousePressEvent(QMouseEvent* event) {
  // Accepting keeps the press and the following moves on this knob (Qt's implicit grab).
  const QPoint position = event->position().toPoint();
  if (event->button() == Qt::LeftButton && rect().contains(position)) {
    beginDrag(position.x(), event->timestamp());
    event->accept();
  } else if (event->button() == Qt::RightButton && dragging_) {
    cancelDrag();
    event->accept();
  } else {
    QWidget::mousePressEvent(event);
  }
}

void Knob::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) {
    QWidget::mouseMoveEvent(event);
    return;
  }
  dragTo(event->position().toPoint().x());
  event->accept();
}

void Knob::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mouseReleaseEvent(event);
    return;
  }
  endDrag();
  event->accept();
}

void Knob::beginDrag(int x, std::uint64_t timestampMs) {
  // The click time survives drags: a press that started a drag still pairs with the next press.
  if (formsDoubleClick(timestampMs)) reset();
  lastClickMs_ = timestampMs;
  dragStartValue_ = model_.value();
  dragging_ = true;
  lastMouseX_ = x;
}

bool Knob::formsDoubleClick(std::uint64_t timestampMs) const {
  if (!lastClickMs_ || timestampMs < *lastClickMs_) return false;
  const auto interval = static_cast<std::uint64_t>(QGuiApplication::styleHints()->mouseDoubleClickInterval());
  return timestampMs - *lastClickMs_ < interval;
}

void Knob::dragTo(int x) {
  // Single precision on purpose: the fraction carried between moves decides when a step lands.
  const float range = static_cast<float>(static_cast<double>(model_.maximum()) - model_.minimum());
  const int dx = lastMouseX_ - x;
  accumulator_ = accumulator_ + static_cast<float>(dx) * (range / static_cast<float>(sensitivityPixels_));
  const float wholeSteps = std::trunc(accumulator_);
  lastMouseX_ = x;
  if (wholeSteps == 0.0f) return;
  moveValueBy(-static_cast<double>(wholeSteps));  // pointer right (dx < 0) raises the value
  accumulator_ -= wholeSteps;
}

void Knob::moveValueBy(double steps) {
  // In double so that a huge range cannot overflow before the model clamps.
  const double target = std::clamp(static_cast<double>(model_.value()) + steps,
                                   static_cast<double>(model_.minimum()), static_cast<double>(model_.maximum()));
  model_.setValue(static_cast<int>(target));
}

void Knob::cancelDrag() {
  dragging_ = false;
  model_.setValue(dragStartValue_);
}

void Knob::endDrag() {
  dragging_ = false;
  accumulator_ = 0.0f;
}

void Knob::wheelEvent(QWheelEvent* event) {
  const QPoint angle = event->angleDelta();
  wheelAngleRemainder_ += angle.y() != 0 ? angle.y() : angle.x();
  const int notches = wheelAngleRemainder_ / kWheelNotchAngle;
  wheelAngleRemainder_ -= notches * kWheelNotchAngle;
  if (notches != 0) {
    const long long range = static_cast<long long>(model_.maximum()) - model_.minimum();
    const long long stepsPerNotch = std::max(1LL, range / kWheelNotchesPerRange);
    moveValueBy(static_cast<double>(notches) * static_cast<double>(stepsPerNotch));
  }
  event->accept();
}

void Knob::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::FontChange) applySize();
  // A knob greyed out or hidden mid-drag never sees the release: finish the drag where it is.
  if (event->type() == QEvent::EnabledChange && !isEnabled()) endDrag();
}

void Knob::hideEvent(QHideEvent* event) {
  endDrag();
  QWidget::hideEvent(event);
}

}  // namespace gm
