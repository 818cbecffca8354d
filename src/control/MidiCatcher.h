#pragma once
// Binding by touching a MIDI control ("Catch Event"). While catching, note releases are ignored
// (clock and active sensing never reach here) and the first note, control change or pitch bend
// is caught. Two follow-ups refine what was caught:
//   - a note still held when another control is touched becomes that control's modifier (hold
//     "shift", touch "play": the binding is "play with shift held");
//   - a coarse control change (0..31) followed at once by its fine partner is a 14-bit control.
// The releases of caught notes and buttons are swallowed, so binding a control fires nothing.

#include <optional>
#include <vector>

#include "control/MidiReading.h"

namespace gm {

class MidiCatcher {
 public:
  struct Outcome {
    bool consumed = false;                  // the reading must not fire events
    std::optional<MidiBinding> binding;     // what the chosen event is bound to now
  };

  // [main-thread] "Catch Event" was selected, or deselected before anything was caught.
  void start() { state_ = State::Catching; }
  void stop();
  bool catching() const { return state_ == State::Catching; }
  // [main-thread] Another event was chosen: what was caught is refined no more.
  void reset() { state_ = State::Idle; }
  // [main-thread] A port went away: its releases will never come.
  void forgetPort(const QString& port);

  // [main-thread] Every reading passes here before it may fire events.
  Outcome offer(const MidiReading& reading);

  // The relative encoding an encoder's first value suggests: a turn by a few detents sends values
  // near 64 in the centred encoding and near 0 or 127 in two's complement.
  static MidiRelativeEncoding guessEncoding(int value);

 private:
  enum class State { Idle, Catching, NoteHeld, AfterCoarse };

  Outcome caught(const MidiReading& reading);
  Outcome swallowRelease(const MidiReading& reading);
  void swallowReleaseOf(const MidiControl& control) { releasesToSwallow_.push_back(control); }

  State state_ = State::Idle;
  MidiBinding binding_;
  std::vector<MidiControl> releasesToSwallow_;
};

}  // namespace gm
