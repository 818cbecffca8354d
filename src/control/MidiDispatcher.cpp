#include "control/MidiDispatcher.h"

#include <algorithm>

#include "control/EventDispatcher.h"
#include "control/EventList.h"
#include "control/EventScriptLauncher.h"

namespace gm {
namespace {

bool isButton(const EventBinding& record) {
  return record.type == std::int32_t(EventType::Button) || record.type == std::int32_t(EventType::Toggle);
}

bool canHold(MidiControlKind kind) { return kind == MidiControlKind::Note || kind == MidiControlKind::Control; }

}  // namespace

std::int32_t MidiDispatcher::scaled(int value, int maximum) {
  return std::int32_t(std::int64_t(value) * kFullScale / maximum);
}

int MidiDispatcher::relativeSteps(int value, MidiRelativeEncoding encoding) {
  if (encoding == MidiRelativeEncoding::Centred) return value - 64;
  return value < 64 ? value : value - 128;
}

std::int32_t MidiDispatcher::eventValue(const EventBinding& record, const MidiReading& reading) {
  if (isButton(record)) return reading.isOn() ? 1 : 0;
  if (record.relative != 0 && reading.control.kind == MidiControlKind::Control) {
    return relativeSteps(reading.value, record.midi.encoding) * kFullScale;
  }
  return scaled(reading.value, reading.control.maximum());
}

bool MidiDispatcher::isHeld(const MidiControl& control) const {
  return std::find(held_.begin(), held_.end(), control) != held_.end();
}

void MidiDispatcher::track(const MidiReading& reading) {
  if (!canHold(reading.control.kind)) return;
  const bool held = isHeld(reading.control);
  if (reading.isOn() && !held) held_.push_back(reading.control);
  if (!reading.isOn() && held) std::erase(held_, reading.control);
}

void MidiDispatcher::forgetPort(const QString& port) {
  std::erase_if(held_, [&port](const MidiControl& control) { return control.port == port; });
  std::erase_if(pressed_, [&port](const auto& pressed) { return pressed.first.port == port; });
}

std::vector<EventBinding*> MidiDispatcher::boundTo(const MidiControl& control) const {
  std::vector<EventBinding*> plain, modified;
  for (EventBinding& record : events_.records()) {
    if (!record.midi.bound() || record.midi.control != control) continue;
    if (!record.midi.modifier) {
      plain.push_back(&record);
    } else if (isHeld(*record.midi.modifier)) {
      modified.push_back(&record);
    }
  }
  return modified.empty() ? plain : modified;
}

int MidiDispatcher::reading(const MidiReading& reading) {
  track(reading);
  std::vector<EventBinding*> records;
  const auto pressed = std::find_if(pressed_.begin(), pressed_.end(),
                                    [&reading](const auto& each) { return each.first == reading.control; });
  if (pressed != pressed_.end()) {
    // The press's events get this reading, whether it is the release or a repeated press.
    records = pressed->second;
    if (!reading.isOn()) pressed_.erase(pressed);
  } else {
    records = boundTo(reading.control);
    if (reading.control.kind == MidiControlKind::Note && reading.isOn()) pressed_.emplace_back(reading.control, records);
  }
  for (EventBinding* record : records) {
    const std::int32_t value = eventValue(*record, reading);
    if (!isButton(*record) || value != 0) scripts_.start(record->script);
    EventDispatcher::send(*record, value);
  }
  return int(records.size());
}

}  // namespace gm
