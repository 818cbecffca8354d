#pragma once
// One short MIDI message as a controller sends it: a status byte (kind and channel) and up to two
// data bytes. System real-time messages (clock, active sensing) have no channel and no data.

#include <cstdint>

namespace gm {

struct MidiMessage {
  static constexpr std::uint8_t kNoteOff = 0x80;
  static constexpr std::uint8_t kNoteOn = 0x90;
  static constexpr std::uint8_t kControlChange = 0xB0;
  static constexpr std::uint8_t kPitchBend = 0xE0;
  static constexpr std::uint8_t kClock = 0xF8;
  static constexpr std::uint8_t kActiveSensing = 0xFE;

  std::uint8_t status = 0;
  std::uint8_t data1 = 0;
  std::uint8_t data2 = 0;

  std::uint8_t kind() const { return status < 0xF0 ? std::uint8_t(status & 0xF0) : status; }
  std::uint8_t channel() const { return std::uint8_t(status & 0x0F); }  // 0..15

  static MidiMessage noteOn(int channel, int note, int velocity) { return make(kNoteOn, channel, note, velocity); }
  static MidiMessage noteOff(int channel, int note) { return make(kNoteOff, channel, note, 0); }
  static MidiMessage control(int channel, int number, int value) { return make(kControlChange, channel, number, value); }
  // `value` 0..16383, 8192 the centre.
  static MidiMessage pitchBend(int channel, int value) { return make(kPitchBend, channel, value & 0x7F, (value >> 7) & 0x7F); }

  bool operator==(const MidiMessage&) const = default;

 private:
  static MidiMessage make(std::uint8_t kind, int channel, int data1, int data2) {
    return {std::uint8_t(kind | (channel & 0x0F)), std::uint8_t(data1 & 0x7F), std::uint8_t(data2 & 0x7F)};
  }
};

}  // namespace gm
