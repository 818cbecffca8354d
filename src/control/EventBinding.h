#pragma once
// One bindable event with its bindings: what a widget or plug-in registered (zone, name, type,
// target and method) and what the user bound to it (keyboard shortcut, script, HID sensor, MIDI
// control).

#include <cstdint>

#include <QString>

#include "control/MidiControl.h"

namespace gm {

class EventTarget;

enum class EventType : std::int32_t { Button = 0, Toggle = 1, Analog = 2, Output = 3 };

struct EventBinding {
  static constexpr std::int32_t kNoReading = 1024;

  QString zone;                 // group the event belongs to as shown ("Filter A")
  QString name;                 // event name as shown ("Mufflex Frequency")
  QString zoneKey;              // the zone in the built-in language: what mapping files store
  QString nameKey;              // the name in the built-in language: what mapping files store
  std::int32_t type = 0;        // EventType, kept as the registered number
  std::uint32_t method = 0;     // operation invoked on the target
  EventTarget* target = nullptr;  // not owned; cleared when the target goes away
  QString keyboard;             // input description of the shortcut, empty when none
  bool keyInvalid = false;      // the shortcut given at creation did not parse
  QString script;               // command line run when the event fires, empty when none
  std::int32_t hidIndex = 0;    // sensor index on its device; 0 when unbound
  std::int32_t vendorId = 0;
  std::int32_t deviceId = 0;
  std::int32_t relative = 0;    // 1: analog readings sent as changes
  QString hidName;              // display name of the bound sensor
  MidiBinding midi;             // the bound MIDI control, if any
  std::int32_t lastValue = kNoReading;  // last 8-bit reading of the bound sensor
};

}  // namespace gm
