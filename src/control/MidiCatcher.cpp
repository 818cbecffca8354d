#include "control/MidiCatcher.h"

#include <algorithm>
#include <cstdlib>

namespace gm {
namespace {

// Encoders turned by a few detents stay this close to 64 in the centred encoding.
constexpr int kCentredSpread = 16;

bool sameChannel(const MidiControl& a, const MidiControl& b) { return a.port == b.port && a.channel == b.channel; }

}  // namespace

MidiRelativeEncoding MidiCatcher::guessEncoding(int value) {
  return std::abs(value - 64) <= kCentredSpread ? MidiRelativeEncoding::Centred : MidiRelativeEncoding::TwosComplement;
}

void MidiCatcher::stop() {
  if (state_ == State::Catching) state_ = State::Idle;
}

void MidiCatcher::forgetPort(const QString& port) {
  if (binding_.control.port == port) state_ = State::Idle;
  std::erase_if(releasesToSwallow_, [&port](const MidiControl& control) { return control.port == port; });
}

MidiCatcher::Outcome MidiCatcher::offer(const MidiReading& reading) {
  switch (state_) {
    case State::Catching:
      if (reading.control.kind == MidiControlKind::Note && !reading.isOn()) return {true, std::nullopt};
      return caught(reading);
    case State::NoteHeld: {
      const MidiControl held = binding_.control;
      if (reading.control == held) {
        if (!reading.isOn()) state_ = State::Idle;
        return {true, std::nullopt};
      }
      if (reading.control.port == held.port && (reading.control.kind != MidiControlKind::Note || reading.isOn())) {
        Outcome outcome = caught(reading);
        binding_.modifier = held;
        outcome.binding = binding_;
        swallowReleaseOf(held);
        return outcome;
      }
      break;
    }
    case State::AfterCoarse: {
      state_ = State::Idle;
      const MidiControl& coarse = binding_.control;
      if (reading.control.kind == MidiControlKind::Control14 && sameChannel(reading.control, coarse) &&
          reading.control.number == coarse.number) {
        binding_.control = reading.control;
        return {true, binding_};
      }
      break;
    }
    case State::Idle:
      break;
  }
  return swallowRelease(reading);
}

MidiCatcher::Outcome MidiCatcher::caught(const MidiReading& reading) {
  binding_ = {reading.control, std::nullopt, guessEncoding(reading.value)};
  if (reading.control.kind == MidiControlKind::Note) {
    state_ = State::NoteHeld;
  } else if (reading.control.kind == MidiControlKind::Control && reading.control.number < 32) {
    state_ = State::AfterCoarse;
  } else {
    state_ = State::Idle;
  }
  if (reading.control.kind == MidiControlKind::Control && reading.isOn()) swallowReleaseOf(reading.control);
  return {true, binding_};
}

MidiCatcher::Outcome MidiCatcher::swallowRelease(const MidiReading& reading) {
  const auto found = std::find(releasesToSwallow_.begin(), releasesToSwallow_.end(), reading.control);
  if (found == releasesToSwallow_.end()) return {};
  releasesToSwallow_.erase(found);
  return {!reading.isOn(), std::nullopt};
}

}  // namespace gm
