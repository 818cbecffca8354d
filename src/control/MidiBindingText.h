#pragma once
// A MIDI binding as one line of the event-mapping file, after its key "MIDI:":
//   <kind> <channel 1..16> <number> <encoding> <modifier> <port>
// kind "note", "cc", "cc14" or "bend"; encoding "2c" (two's complement) or "64" (centred);
// modifier "-" or "<kind>/<channel>/<number>" on the same port; the port name to the end of the
// line. The line holds no colon (the port's colons, and its percent signs, are written as %3A and
// %25), so a reader that knows no MIDI skips it without finding any of the file's keys in it.

#include <optional>

#include <QByteArray>

#include "control/MidiControl.h"

namespace gm {

class MidiBindingText {
 public:
  static QByteArray format(const MidiBinding& binding);
  // None for a line that is not such a binding.
  static std::optional<MidiBinding> parse(const QByteArray& line);
};

}  // namespace gm
