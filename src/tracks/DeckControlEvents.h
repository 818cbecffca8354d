#pragma once
// A deck control panel's events (zone "Controller A" / "Controller B"): transport, cue, tempo and
// pitch, bends, sync and loops, each pressing the same control the panel's button does.

#include <cstdint>

#include <QString>

#include "control/EventRegistry.h"

namespace gm {

class Deck;
class DeckControls;

class DeckControlEvents {
 public:
  // The events' methods, as stored in the mapping file.
  enum Method : std::uint32_t {
    kTempoUp = 0x800072F0, kTempoDown = 0x800072F1, kPitchUp = 0x800072F2, kPitchDown = 0x800072F3,
    kBendDown = 0x800072F4, kBendUp = 0x800072F5, kPlay = 0x800072F6, kPause = 0x800072F7,
    kPlayPause = 0x800072F8, kCue = 0x800072F9, kSetCue = 0x800072FA, kSaveBpmCue = 0x800072FB,
    kRewind = 0x800072FC, kSync = 0x800072FD, kTempo = 0x800072FE, kPitch = 0x800072FF,
    kLoopStop = 0x8000730B, kLoopDouble = 0x8000730C, kLoopHalve = 0x8000730D,
  };

  // `deck` and `controls` must outlive the events.
  DeckControlEvents(Deck& deck, DeckControls& controls);

  // [main-thread] Once only, as every zone owner.
  void registerWith(EventList& events, const QString& zone) { registry_.registerWith(events, zone); }

 private:
  void addTransport();
  void addTempo();
  void addLoops();

  Deck& deck_;
  DeckControls& controls_;
  EventRegistry registry_;
};

}  // namespace gm
