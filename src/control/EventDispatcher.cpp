#include "control/EventDispatcher.h"

#include <algorithm>
#include <cmath>

#include "control/EventList.h"
#include "control/EventScriptLauncher.h"
#include "control/EventTarget.h"
#include "control/KeyDescription.h"

namespace gm {
namespace {

constexpr std::int32_t kFullScale = 65536;
constexpr std::uint16_t kIgnoredOnRelease = KeyMessage::kRelativeMouse | KeyMessage::kRepeat;

// Steps of an 8-bit counter that wrapped: a jump this close to ±256 is a small step the other way.
constexpr std::int32_t kLargestWrappedStep = 5;
constexpr std::int32_t kCounterSteps = 256;

std::int32_t truncated(double value) { return std::int32_t(std::trunc(value)); }

}  // namespace

bool EventDispatcher::keyMessage(const KeyMessage& key) {
  const bool release = (key.code & KeyMessage::kKeyUp) != 0;
  const auto keyCode = std::uint16_t(key.code & ~KeyMessage::kKeyUp);
  bool matched = false;
  for (EventBinding& record : events_.records()) {
    if (record.keyboard.isEmpty()) continue;
    const std::optional<KeyMessage> shortcut = KeyDescription::parse(record.keyboard);
    if (!shortcut) continue;
    if (key.code == shortcut->code &&
        std::uint16_t(key.qualifiers & ~KeyMessage::kRelativeMouse) == shortcut->qualifiers) {
      matched = true;
      send(record, 1);
      scripts_.start(record.script);
      if (!release && !isHeld(keyCode, record)) held_.emplace_back(keyCode, &record);
    }
    const bool releaseMatches = key.code == (shortcut->code | KeyMessage::kKeyUp) &&
                                std::uint16_t(key.qualifiers & ~kIgnoredOnRelease) == shortcut->qualifiers;
    if (releaseMatches || (release && isHeld(keyCode, record))) {
      matched = true;
      send(record, 0);
    }
  }
  if (release) std::erase_if(held_, [keyCode](const auto& held) { return held.first == keyCode; });
  return matched;
}

bool EventDispatcher::isHeld(std::uint16_t code, const EventBinding& record) const {
  return std::find(held_.begin(), held_.end(), std::pair{code, &record}) != held_.end();
}

void EventDispatcher::sensorReading(const SensorRecord& sensor, double value) {
  for (EventBinding& record : events_.records()) {
    if (record.hidIndex != sensor.index || record.deviceId != sensor.productId || record.vendorId != sensor.vendorId) {
      continue;
    }
    scripts_.start(record.script);
    if (const std::optional<std::int32_t> sent = sensorValue(record, sensor.kind, value)) send(record, *sent);
  }
}

std::optional<std::int32_t> EventDispatcher::sensorValue(EventBinding& record, SensorKind kind, double value) {
  switch (kind) {
    case SensorKind::Button:
      if (record.lastValue == EventBinding::kNoReading) {
        record.lastValue = 0;
        return std::nullopt;
      }
      return value != 0.0 ? 1 : 0;
    case SensorKind::Relative:
      return float(value) > 0.0f ? kFullScale : -kFullScale;
    case SensorKind::Unipolar:
      if (record.relative) return relativeChange(record, truncated(value * 255.0)) * kFullScale;
      return truncated(double(float(value)) * kFullScale);
    case SensorKind::Bipolar:
      if (record.relative) return relativeChange(record, truncated(value * 255.0)) * kFullScale;
      return truncated((value * 0.5 + 0.5) * kFullScale);
    default:
      return std::nullopt;
  }
}

std::int32_t EventDispatcher::relativeChange(EventBinding& record, std::int32_t reading) {
  std::int32_t change = record.lastValue == EventBinding::kNoReading ? 0 : reading - record.lastValue;
  if (change <= -(kCounterSteps - kLargestWrappedStep) && change >= -(kCounterSteps - 1)) change += kCounterSteps;
  if (change >= kCounterSteps - kLargestWrappedStep && change <= kCounterSteps - 1) change -= kCounterSteps;
  record.lastValue = reading;
  return change;
}

void EventDispatcher::send(const EventBinding& record, std::int32_t value) {
  if (record.method != 0 && record.target != nullptr) record.target->invokeEvent(record.method, value);
}

}  // namespace gm
