#include "core/BoundedValue.h"

#include <algorithm>

namespace gm {

BoundedValue::BoundedValue(int minimum, int maximum, int initial, QObject* parent)
    : QObject(parent), minimum_(minimum), maximum_(maximum), initial_(clamp(initial)), value_(initial_) {}

int BoundedValue::clamp(int value) const { return std::clamp(value, minimum_, maximum_); }

void BoundedValue::setValue(int value) {
  const int clamped = clamp(value);
  if (clamped == value_) return;
  value_ = clamped;
  Q_EMIT valueChanged(value_);
}

void BoundedValue::setValueSilently(int value) {
  const int clamped = clamp(value);
  if (clamped == value_) return;
  value_ = clamped;
  Q_EMIT displayChanged(value_);
}

void BoundedValue::setRange(int minimum, int maximum) {
  minimum_ = minimum;
  maximum_ = std::max(minimum, maximum);
  Q_EMIT rangeChanged(minimum_, maximum_);
  setValueSilently(value_);
}

void BoundedValue::setEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Q_EMIT enabledChanged(enabled_);
}

}  // namespace gm
