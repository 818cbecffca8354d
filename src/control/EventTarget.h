#pragma once
// Something a bound event can drive: the event system calls the registered method with the event's
// value (a key or button's state, or an analog controller's normalised 0..65536 reading).

#include <cstdint>
#include <optional>

namespace gm {

class EventTarget {
 public:
  // [main-thread]
  virtual void invokeEvent(std::uint32_t method, std::int32_t value) = 0;
  // [main-thread] Whether what the event switches is on now (a deck playing, a kill engaged), for
  // the lights of the controller it is bound to; none for events that switch nothing.
  virtual std::optional<bool> eventState(std::uint32_t /*method*/) const { return std::nullopt; }

 protected:
  ~EventTarget() = default;
};

}  // namespace gm
