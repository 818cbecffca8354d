#include "control/EventRegistry.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "core/BoundedValue.h"

namespace gm {

EventRegistry::~EventRegistry() { EventList::forgetTarget(registeredWith_, this); }

void EventRegistry::add(const QString& name, EventType type, std::uint32_t method, Action action) {
  entries_.push_back({name, type, method, std::move(action), nullptr});
}

void EventRegistry::addOnRelease(const QString& name, EventType type, std::uint32_t method,
                                 std::function<void()> action) {
  add(name, type, method, [action = std::move(action)](std::int32_t value) {
    if (value == 0) action();
  });
}

void EventRegistry::addAnalog(const QString& name, std::uint32_t method, BoundedValue& control) {
  add(name, EventType::Analog, method, [&control](std::int32_t value) {
    control.setValue(scaleToRange(value, control.minimum(), control.maximum()));
  });
}

void EventRegistry::setState(std::uint32_t method, std::function<bool()> state) {
  for (Entry& entry : entries_) {
    if (entry.method == method) entry.state = state;
  }
}

std::optional<bool> EventRegistry::eventState(std::uint32_t method) const {
  const auto entry = std::find_if(entries_.begin(), entries_.end(),
                                  [method](const Entry& candidate) { return candidate.method == method; });
  if (entry == entries_.end() || !entry->state) return std::nullopt;
  return entry->state();
}

void EventRegistry::registerWith(EventList& events, const QString& zone) {
  if (registered_) return;
  registered_ = true;
  registeredWith_ = events.weakRef();
  for (const Entry& entry : entries_) {
    events.registerEvent(zone, entry.name, std::int32_t(entry.type), this, entry.method);
  }
}

void EventRegistry::invokeEvent(std::uint32_t method, std::int32_t value) {
  const auto entry = std::find_if(entries_.begin(), entries_.end(),
                                  [method](const Entry& candidate) { return candidate.method == method; });
  if (entry != entries_.end()) entry->action(value);
}

int EventRegistry::scaleToRange(std::int32_t value, int minimum, int maximum) {
  const double offset = std::trunc((double(maximum) - double(minimum)) * double(value) / 65536.0);
  // A relative reading can send many times the full scale: held to what an int can carry.
  return int(std::clamp(double(minimum) + offset, double(INT_MIN), double(INT_MAX)));
}

}  // namespace gm
