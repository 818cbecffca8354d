#pragma once
// The events of one zone owner (a deck's controls, a mixer channel, a waveform's band display...):
// each with its name, type, method and what it does with the event value. The owner registers them
// all together under its zone, once in its lifetime; bound keys, sensors and commands come back
// through invokeEvent().
//
// Event values: Button and Toggle events get 1 when their key or button goes down and 0 when it goes
// up, and act on 0; Analog events get a 16.16 fraction of the control's range (0..65536).

#include <cstdint>
#include <functional>
#include <vector>

#include <QString>

#include "control/EventBinding.h"
#include "control/EventList.h"
#include "control/EventTarget.h"

namespace gm {

class BoundedValue;

class EventRegistry final : public EventTarget {
 public:
  using Action = std::function<void(std::int32_t value)>;

  EventRegistry() = default;
  ~EventRegistry();
  EventRegistry(const EventRegistry&) = delete;
  EventRegistry& operator=(const EventRegistry&) = delete;

  // An event whose action sees every value.
  void add(const QString& name, EventType type, std::uint32_t method, Action action);
  // A Button or Toggle event that acts when its key or button is released.
  void addOnRelease(const QString& name, EventType type, std::uint32_t method, std::function<void()> action);
  // An Analog event that sets `control` to its share of the control's range.
  void addAnalog(const QString& name, std::uint32_t method, BoundedValue& control);

  // What the event with `method` shows on a controller's light: whether `state()` holds.
  void setState(std::uint32_t method, std::function<bool()> state);

  // [main-thread] Appends every event to `events` under `zone`, in the order they were added. Only
  // the first call registers; later ones do nothing.
  void registerWith(EventList& events, const QString& zone);
  bool registered() const { return registered_; }

  // [main-thread]
  void invokeEvent(std::uint32_t method, std::int32_t value) override;
  // [main-thread]
  std::optional<bool> eventState(std::uint32_t method) const override;

  // minimum + trunc((maximum − minimum) × value / 65536), computed in double. Values outside
  // 0..65536 give positions outside the range, which the control clamps.
  static int scaleToRange(std::int32_t value, int minimum, int maximum);

 private:
  struct Entry {
    QString name;
    EventType type;
    std::uint32_t method;
    Action action;
    std::function<bool()> state;
  };

  std::vector<Entry> entries_;
  bool registered_ = false;
  EventList::WeakRef registeredWith_;
};

}  // namespace gm
