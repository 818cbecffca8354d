#pragma once
// Where HID controller readings come from: the system's input devices in the program, a scripted
// source in tests. Readings and device changes arrive on the main thread.

#include <functional>

#include "control/SensorRecord.h"

namespace gm {

class SensorSource {
 public:
  struct Handlers {
    std::function<void(const SensorRecord& sensor, double value)> reading;
    // The set of watched devices changed (one was plugged in or pulled out).
    std::function<void()> devicesChanged;
  };

  virtual ~SensorSource() = default;
  // [main-thread] Starts watching the controllers; readings go to `handlers` from then on.
  virtual void start(Handlers handlers) = 0;
};

}  // namespace gm
