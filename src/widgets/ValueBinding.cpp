#include "widgets/ValueBinding.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QSignalBlocker>

#include "core/BoundedValue.h"

namespace gm {

void ValueBinding::bind(QAbstractSlider& control, BoundedValue& model) {
  // A slider clicked would otherwise keep the keyboard: the DJ's next Home, End or arrow key would
  // throw the value instead of reaching the shortcuts.
  control.setFocusPolicy(Qt::NoFocus);
  control.setRange(model.minimum(), model.maximum());
  control.setValue(model.value());
  control.setEnabled(model.enabled());
  QObject::connect(&control, &QAbstractSlider::valueChanged, &model, &BoundedValue::setValue);
  // The model's current value, not the signal's: a model may have moved again since it was sent.
  auto mirror = [&control, &model] {
    const QSignalBlocker quiet(control);
    control.setValue(model.value());
  };
  QObject::connect(&model, &BoundedValue::valueChanged, &control, mirror);
  QObject::connect(&model, &BoundedValue::displayChanged, &control, mirror);
  QObject::connect(&model, &BoundedValue::enabledChanged, &control, &QWidget::setEnabled);
  QObject::connect(&model, &BoundedValue::rangeChanged, &control, [&control, &model](int minimum, int maximum) {
    const QSignalBlocker quiet(control);
    control.setRange(minimum, maximum);
    control.setValue(model.value());
  });
}

void ValueBinding::bind(QAbstractButton& toggle, BoundedValue& model) {
  toggle.setCheckable(true);
  toggle.setChecked(model.value() != 0);
  toggle.setEnabled(model.enabled());
  QObject::connect(&toggle, &QAbstractButton::toggled, &model, [&model](bool on) { model.setValue(on ? 1 : 0); });
  auto mirror = [&toggle, &model] {
    const QSignalBlocker quiet(toggle);
    toggle.setChecked(model.value() != 0);
  };
  QObject::connect(&model, &BoundedValue::valueChanged, &toggle, mirror);
  QObject::connect(&model, &BoundedValue::displayChanged, &toggle, mirror);
  QObject::connect(&model, &BoundedValue::enabledChanged, &toggle, &QWidget::setEnabled);
}

}  // namespace gm
