#pragma once
// What one MIDI message says about one control: its new value, 0..127 or 0..16383 for the 14-bit
// kinds (a note's velocity; 0 when it goes off).

#include "control/MidiControl.h"

namespace gm {

struct MidiReading {
  MidiControl control;
  int value = 0;

  // Whether a button-like control is down: a note with a velocity, a control at half its range or
  // more (buttons that send control changes send 127 and 0).
  bool isOn() const { return control.kind == MidiControlKind::Note ? value > 0 : value * 2 > control.maximum(); }
};

}  // namespace gm
