#pragma once
// Fires bound events: key messages from the main window are matched against each event's shortcut,
// sensor readings against each event's bound controller sensor, MIDI readings against each event's
// bound MIDI control. A firing event calls its target
// with one value and starts its script, if it has one. Every matching event fires, in list order.

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "control/KeyMessage.h"
#include "control/MidiDispatcher.h"
#include "control/SensorRecord.h"

namespace gm {

class EventList;
class EventScriptLauncher;
struct EventBinding;

class EventDispatcher {
 public:
  EventDispatcher(EventList& events, EventScriptLauncher& scripts)
      : events_(events), scripts_(scripts), midi_(events, scripts) {}

  // [main-thread] One key message. A key going down fires 1 (and the script) for shortcuts naming
  // exactly its code and qualifiers, so held keys, whose repeats carry the repeat qualifier, fire
  // once; going up it fires 0, whatever the repeat and relative-mouse qualifiers say. An event its
  // press fired also gets its 0 when the qualifiers were let go before the key: a ctrl shortcut
  // acts however the fingers leave the keys. Whether any event matched.
  bool keyMessage(const KeyMessage& key);
  // [main-thread] One reading of a sensor (outside catch mode): every event bound to the sensor's
  // device and index starts its script and is sent the value below.
  void sensorReading(const SensorRecord& sensor, double value);

  // The value a reading sends to `record` for a sensor of `kind`, or none; updates the record's
  // last reading. Buttons send 1 or 0, but their first reading after the record was made only primes
  // it. Wheels send ±65536. Axes send their position as 0..65536 or, for relative records, the change
  // of their 8-bit reading since the last one times 65536 (an 8-bit counter that wrapped counts as a
  // step of at most 5 the short way round).
  // [main-thread] One reading of a MIDI control (outside catch mode); how many events it reached.
  int midiReading(const MidiReading& reading) { return midi_.reading(reading); }
  MidiDispatcher& midi() { return midi_; }

  static std::optional<std::int32_t> sensorValue(EventBinding& record, SensorKind kind, double value);

  // [main-thread] Calls the record's target with `value`, when it has one.
  static void send(const EventBinding& record, std::int32_t value);

 private:
  static std::int32_t relativeChange(EventBinding& record, std::int32_t reading);
  bool isHeld(std::uint16_t code, const EventBinding& record) const;

  EventList& events_;
  EventScriptLauncher& scripts_;
  MidiDispatcher midi_;
  // Keys down (their codes) with the events their press fired; records never leave the list.
  std::vector<std::pair<std::uint16_t, const EventBinding*>> held_;
};

}  // namespace gm
