#pragma once
// A control of a MIDI controller as a binding names it: the controller's port, the channel, the
// kind of message and its number. A 14-bit control is a pair of control changes (the coarse number
// 0..31 and its fine partner 32 higher) named by its coarse number; pitch bend has number 0.

#include <cstdint>
#include <optional>

#include <QString>

namespace gm {

enum class MidiControlKind : std::uint8_t { Note, Control, Control14, PitchBend };

// How an endless encoder or jog wheel reports a turn in one control-change value.
enum class MidiRelativeEncoding : std::uint8_t {
  TwosComplement,  // 1..63 forward, 127..65 back (127 is one step back)
  Centred,         // 65.. forward, ..63 back, 64 no movement
};

struct MidiControl {
  QString port;
  std::uint8_t channel = 0;  // 0..15 (shown as 1..16)
  MidiControlKind kind = MidiControlKind::Note;
  std::uint8_t number = 0;

  bool operator==(const MidiControl&) const = default;
  // The largest value of the control: 127, or 16383 for the 14-bit kinds.
  int maximum() const { return kind == MidiControlKind::Control14 || kind == MidiControlKind::PitchBend ? 16383 : 127; }
  // "Pad Ch.1 Note 36" and the like, for the editor.
  QString description() const;
};

// What an event is bound to on a MIDI controller; unbound while the control has no port.
struct MidiBinding {
  MidiControl control;
  // A control on the same port that must be held for this binding to fire ("shift").
  std::optional<MidiControl> modifier;
  MidiRelativeEncoding encoding = MidiRelativeEncoding::TwosComplement;

  bool bound() const { return !control.port.isEmpty(); }
  bool operator==(const MidiBinding&) const = default;
  QString description() const;
};

}  // namespace gm
