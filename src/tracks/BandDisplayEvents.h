#pragma once
// A deck's waveform events (zone "Waveform A" / "Waveform B"): the "hi", "mid" and "low" toggles,
// stepping through the three bands, and speeding the track up or down by jog steps.

#include <cstdint>

#include <QString>

#include "control/EventRegistry.h"

namespace gm {

class Deck;

class BandDisplayEvents {
 public:
  enum Method : std::uint32_t {
    kDisplayHigh = 0x800024CD, kDisplayMid = 0x800024CE, kDisplayLow = 0x800024CF,
    kCycleBands = 0x800024D0, kSpeedRelative = 0x800024D1,
  };

  // `deck` must outlive the events.
  explicit BandDisplayEvents(Deck& deck);

  // [main-thread] Once only, as every zone owner.
  void registerWith(EventList& events, const QString& zone) { registry_.registerWith(events, zone); }

 private:
  Deck& deck_;
  EventRegistry registry_;
};

}  // namespace gm
