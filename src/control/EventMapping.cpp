#include "control/EventMapping.h"

#include "control/EventDispatcher.h"
#include "control/EventList.h"
#include "control/EventMappingFile.h"
#include "core/CatalogTable.h"

namespace gm {
namespace {

bool takesShortcut(const EventBinding& record) {
  return record.type == std::int32_t(EventType::Button) || record.type == std::int32_t(EventType::Toggle);
}

}  // namespace

EventMapping::EventMapping(EventList& events, EventDispatcher& dispatcher, QString mappingPath, QObject* parent)
    : QObject(parent), events_(events), dispatcher_(dispatcher), mappingPath_(std::move(mappingPath)) {}

EventMapping::Bindings EventMapping::bindingsOf(const EventBinding& record) {
  return {record.keyboard, record.script,  record.hidIndex, record.vendorId,
          record.deviceId, record.relative, record.hidName,  record.lastValue, record.midi};
}

void EventMapping::setUp() {
  backup_.clear();
  for (const EventBinding& record : events_.records()) backup_.push_back(bindingsOf(record));
  setUp_ = true;
}

void EventMapping::select(int index) {
  selected_ = index >= 0 && std::size_t(index) < events_.size() ? index : -1;
  midiCatcher_.reset();  // a shift held now must not rebind the event chosen before
  setRelativeEnabled(true);
}

EventBinding* EventMapping::selectedRecord() {
  return selected_ >= 0 && std::size_t(selected_) < events_.size() ? &events_.records()[std::size_t(selected_)] : nullptr;
}

void EventMapping::setShortcut(const QString& description) {
  EventBinding* record = selectedRecord();
  if (!record || !takesShortcut(*record)) return;
  record->keyboard = description.trimmed();
  changed();
}

void EventMapping::setRelative(bool relative) {
  EventBinding* record = selectedRecord();
  if (!record) return;
  record->relative = relative ? 1 : 0;
  changed();
}

void EventMapping::setScript(const QString& line) {
  EventBinding* record = selectedRecord();
  if (!record) return;
  record->script = line;
  changed();
}

void EventMapping::removeSensor() {
  EventBinding* record = selectedRecord();
  if (!record) return;
  record->hidIndex = 0;
  record->vendorId = 0;
  record->deviceId = 0;
  record->hidName.clear();
  record->midi = {};
  changed();
}

void EventMapping::setCatchMode(bool on) {
  if (on == catchMode_) return;
  catchMode_ = on;
  if (on) {
    midiCatcher_.start();
  } else {
    midiCatcher_.stop();
  }
  Q_EMIT catchModeChanged(on);
}

bool EventMapping::save() {
  setCatchMode(false);
  QString error;
  if (EventMappingFile::save(mappingPath_, events_, &error)) return true;
  if (report_) report_(msg(Msg::StatusFileNotSaved).arg(mappingPath_, error));
  return false;
}

void EventMapping::cancel() {
  setCatchMode(false);
  if (!setUp_) return;
  auto& records = events_.records();
  // Records registered since the editor opened (a plug-in loaded meanwhile) keep what they have.
  for (std::size_t i = 0; i < records.size() && i < backup_.size(); ++i) {
    EventBinding& record = records[i];
    const Bindings& saved = backup_[i];
    record.keyboard = saved.keyboard;
    record.script = saved.script;
    record.hidIndex = saved.hidIndex;
    record.vendorId = saved.vendorId;
    record.deviceId = saved.deviceId;
    record.relative = saved.relative;
    record.hidName = saved.hidName;
    record.lastValue = saved.lastValue;
    record.midi = saved.midi;
  }
  Q_EMIT listRestored();
}

void EventMapping::sensorReading(const SensorRecord& sensor, double value) {
  if (catchMode_) {
    catchSensor(sensor);
    return;
  }
  if (skipNext_) {
    skipNext_ = false;
    return;
  }
  dispatcher_.sensorReading(sensor, value);
}

void EventMapping::catchSensor(const SensorRecord& sensor) {
  setCatchMode(false);
  EventBinding* record = selectedRecord();
  if (!record) return;
  record->hidName = sensor.hidName();
  record->hidIndex = sensor.index;
  record->vendorId = sensor.vendorId;
  record->deviceId = sensor.productId;
  switch (sensor.kind) {
    case SensorKind::Button:
      // A button is on or off: never relative. Its release after this press must not fire.
      record->relative = 0;
      setRelativeEnabled(false);
      skipNext_ = true;
      break;
    case SensorKind::Unipolar:
    case SensorKind::Relative:
    case SensorKind::Bipolar:
    case SensorKind::TwoAxis:
      setRelativeEnabled(true);
      break;
    default:
      break;
  }
  changed();
}

void EventMapping::midiReading(const MidiReading& reading) {
  const MidiCatcher::Outcome outcome = midiCatcher_.offer(reading);
  if (outcome.binding) catchMidi(*outcome.binding);
  if (!outcome.consumed) dispatcher_.midiReading(reading);
}

void EventMapping::catchMidi(const MidiBinding& binding) {
  setCatchMode(false);
  EventBinding* record = selectedRecord();
  if (!record) return;
  record->midi = binding;
  // Only a 7-bit control change can be an encoder; notes are buttons, 14-bit controls faders.
  const bool encoder = binding.control.kind == MidiControlKind::Control;
  if (!encoder) record->relative = 0;
  setRelativeEnabled(encoder);
  changed();
}

void EventMapping::setRelativeEnabled(bool enabled) {
  if (enabled == relativeEnabled_) return;
  relativeEnabled_ = enabled;
  Q_EMIT relativeEnabledChanged(enabled);
}

void EventMapping::changed() { Q_EMIT recordChanged(selected_); }

}  // namespace gm
