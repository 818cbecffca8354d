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
  // [main-thread] Moves the value without triggering its behaviour: only the controls that show it
  // follow (a slider moved to match the deck must not set the deck a second time).
  void setValueSilently(int value);
  // [main-thread] A new range (a setting changed); the value is clamped into it silently.
  void setRange(int minimum, int maximum);
  // [main-thread] Greys out the controls that show this value.
  void setEnabled(bool enabled);

 Q_SIGNALS:
  // A new value: behaviour and views follow.
  void valueChanged(int value);
  // A value moved silently: only views follow.
  void displayChanged(int value);
  void enabledChanged(bool enabled);
  void rangeChanged(int minimum, int maximum);

 private:
  int clamp(int value) const;

  int minimum_;
  int maximum_;
  const int initial_;
  int value_;
  bool enabled_ = true;
};

}  // namespace gm
