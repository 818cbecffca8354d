#include "control/MidiFeedback.h"

#include "control/EventList.h"
#include "control/EventTarget.h"

namespace gm {
namespace {

constexpr int kLightOn = 127;

}  // namespace

std::optional<MidiMessage> MidiFeedback::message(const MidiControl& control, bool on) {
  const int value = on ? kLightOn : 0;
  switch (control.kind) {
    case MidiControlKind::Note: return MidiMessage::noteOn(control.channel, control.number, value);
    case MidiControlKind::Control: return MidiMessage::control(control.channel, control.number, value);
    default: return std::nullopt;
  }
}

int MidiFeedback::update() {
  int sent = 0;
  for (const EventBinding& record : events_.records()) {
    const MidiBinding& midi = record.midi;
    if (!midi.bound() || midi.modifier || record.target == nullptr) continue;
    const std::optional<bool> state = record.target->eventState(record.method);
    const std::optional<MidiMessage> shows = state ? message(midi.control, *state) : std::nullopt;
    if (!shows) continue;
    const auto known = shown_.find(&record);
    if (known != shown_.end() && known->second.control == midi.control && known->second.on == *state) continue;
    shown_.insert_or_assign(&record, Shown{midi.control, *state});
    send_(midi.control.port, *shows);
    ++sent;
  }
  return sent;
}

void MidiFeedback::forgetPort(const QString& port) {
  std::erase_if(shown_, [&port](const auto& shown) { return shown.second.control.port == port; });
}

}  // namespace gm
