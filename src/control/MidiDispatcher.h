#pragma once
// Fires the events bound to MIDI controls. Button and Toggle events get 1 when their control goes
// on and 0 when it goes off; Analog events get the control's value spread over 0..65536 (0 → 0,
// the control's largest value → 65536, truncated between), or, when the event is relative, the
// encoder's detents × 65536. A binding that names a modifier fires only while that modifier is
// held, and then instead of the same control's bindings without one; a note's release goes to the
// events its press fired, however the modifier moved in between.

#include <cstdint>
#include <utility>
#include <vector>

#include "control/MidiReading.h"

namespace gm {

class EventList;
class EventScriptLauncher;
struct EventBinding;

class MidiDispatcher {
 public:
  static constexpr std::int32_t kFullScale = 65536;

  MidiDispatcher(EventList& events, EventScriptLauncher& scripts) : events_(events), scripts_(scripts) {}

  // [main-thread] One reading, outside catch mode. Returns how many events it reached.
  int reading(const MidiReading& reading);
  // [main-thread] Whether a note or control is held down now.
  bool isHeld(const MidiControl& control) const;
  // [main-thread] A port went away: nothing on it is held any more.
  void forgetPort(const QString& port);

  // The value `reading` sends to `record`.
  static std::int32_t eventValue(const EventBinding& record, const MidiReading& reading);
  // `value` of 0..`maximum` as 0..65536.
  static std::int32_t scaled(int value, int maximum);
  // The detents one control-change value of an encoder stands for.
  static int relativeSteps(int value, MidiRelativeEncoding encoding);

 private:
  void track(const MidiReading& reading);
  std::vector<EventBinding*> boundTo(const MidiControl& control) const;

  EventList& events_;
  EventScriptLauncher& scripts_;
  std::vector<MidiControl> held_;
  // Notes down, with the events their press fired (records never leave the list).
  std::vector<std::pair<MidiControl, std::vector<EventBinding*>>> pressed_;
};

}  // namespace gm
