#pragma once
// Something a bound event can drive: the event system calls the registered method with the event's
// value (a key or button's state, or an analog controller's normalised 0..65536 reading).

#include <cstdint>

namespace gm {

class EventTarget {
 public:
  // [main-thread]
  virtual void invokeEvent(std::uint32_t method, std::int32_t value) = 0;

 protected:
  ~EventTarget() = default;
};

}  // namespace gm
