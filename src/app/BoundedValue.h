#pragma once
// An integer value with its range: the model behind a slider, knob, chooser or toggle. It clamps what
// it is given and notifies observers on change, so the window, the command port and mapped events all
// drive the same object and the widget only mirrors it.

#include <QObject>

namespace gm {

class BoundedValue : public QObject {
  Q_OBJECT
 public:
  BoundedValue(int minimum, int maximum, int initial, QObject* parent = nullptr);

  int value() const { return value_; }
  int minimum() const { return minimum_; }
  int maximum() const { return maximum_; }
  int initial() const { return initial_; }
  bool enabled() const { return enabled_; }

  // [main-thread] Clamps to the range; notifies only when the value changes.
  void setValue(int value);
  // [main-thread] Moves the value without notifying (a mirror update that must not echo back).
  void setValueSilently(int value);
  // [main-thread] Greys out the controls that show this value.
  void setEnabled(bool enabled);

 Q_SIGNALS:
  void valueChanged(int value);
  void enabledChanged(bool enabled);

 private:
  int clamp(int value) const;

  const int minimum_;
  const int maximum_;
  const int initial_;
  int value_;
  bool enabled_ = true;
};

}  // namespace gm
