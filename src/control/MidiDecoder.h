#pragma once
// Turns the messages of every port into readings of controls. A control change 0..31 reads as its
// own 7-bit control; its fine partner 32..63 reads as its own control too and, once the coarse one
// has been seen on that port and channel, also as the pair's 14-bit control (coarse × 128 + fine),
// which moves when the fine half arrives, as controllers send the pair coarse first. Pitch bend
// reads as a 14-bit control. Clock, active sensing and every other message read as nothing.

#include <array>
#include <cstdint>
#include <map>

#include <QString>

#include "control/MidiMessage.h"
#include "control/MidiReading.h"

namespace gm {

class MidiDecoder {
 public:
  static constexpr int kMaxReadings = 2;
  struct Readings {
    std::array<MidiReading, kMaxReadings> items;
    int count = 0;
    const MidiReading* begin() const { return items.data(); }
    const MidiReading* end() const { return items.data() + count; }
  };

  // [main-thread]
  Readings decode(const QString& port, const MidiMessage& message);
  // [main-thread] A port went away: its halves of 14-bit pairs are forgotten.
  void forgetPort(const QString& port);

  static constexpr int kPairedControls = 32;  // coarse numbers 0..31, fine 32..63

 private:
  void pairFine(const QString& port, const MidiMessage& message, Readings& readings);

  // Latest coarse value of each port's 14-bit pairs, by channel × 32 + coarse number; -1 unseen.
  std::map<QString, std::array<std::int16_t, 16 * kPairedControls>> coarse_;
};

}  // namespace gm
