#include "control/MidiDecoder.h"

namespace gm {
namespace {

void add(MidiDecoder::Readings& readings, const QString& port, const MidiMessage& message, MidiControlKind kind,
         int number, int value) {
  readings.items[std::size_t(readings.count++)] = {{port, message.channel(), kind, std::uint8_t(number)}, value};
}

}  // namespace

MidiDecoder::Readings MidiDecoder::decode(const QString& port, const MidiMessage& message) {
  Readings readings;
  switch (message.kind()) {
    case MidiMessage::kNoteOn:
      add(readings, port, message, MidiControlKind::Note, message.data1, message.data2);
      break;
    case MidiMessage::kNoteOff:
      add(readings, port, message, MidiControlKind::Note, message.data1, 0);
      break;
    case MidiMessage::kPitchBend:
      add(readings, port, message, MidiControlKind::PitchBend, 0, message.data2 * 128 + message.data1);
      break;
    case MidiMessage::kControlChange:
      if (message.data1 < 2 * kPairedControls) pairFine(port, message, readings);
      add(readings, port, message, MidiControlKind::Control, message.data1, message.data2);
      break;
    default:
      break;
  }
  return readings;
}

void MidiDecoder::pairFine(const QString& port, const MidiMessage& message, Readings& readings) {
  auto found = coarse_.find(port);
  if (found == coarse_.end()) {
    found = coarse_.emplace(port, std::array<std::int16_t, 16 * kPairedControls>{}).first;
    found->second.fill(-1);
  }
  const int coarseNumber = message.data1 % kPairedControls;
  std::int16_t& coarse = found->second[std::size_t(message.channel() * kPairedControls + coarseNumber)];
  if (message.data1 < kPairedControls) {
    coarse = message.data2;
  } else if (coarse >= 0) {
    add(readings, port, message, MidiControlKind::Control14, coarseNumber, coarse * 128 + message.data2);
  }
}

void MidiDecoder::forgetPort(const QString& port) { coarse_.erase(port); }

}  // namespace gm
