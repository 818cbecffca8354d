#pragma once
// Where MIDI messages come from and where lights go: the system's sequencer in the program, a
// scripted source in tests. Everything reaches the handlers on the main thread, in arrival order.

#include <chrono>
#include <functional>

#include <QString>

#include "control/MidiMessage.h"

namespace gm {

class MidiSource {
 public:
  using Clock = std::chrono::steady_clock;
  struct Handlers {
    // A message from an input port of a controller, with when it reached the program.
    std::function<void(const QString& port, const MidiMessage& message, Clock::time_point arrival)> message;
    // A controller's port came (plugged in, or there at start) or went.
    std::function<void(const QString& port)> portAdded;
    std::function<void(const QString& port)> portRemoved;
    // Something the user should know (no sequencer, messages lost).
    std::function<void(const QString& text)> status;
  };

  virtual ~MidiSource() = default;
  // [main-thread] Starts listening to every controller; never fails, says what is missing instead.
  virtual void start(Handlers handlers) = 0;
  // [main-thread] Sends `message` to the controller whose input port is `port` (its lights);
  // nothing when that controller has no output.
  virtual void send(const QString& port, const MidiMessage& message) = 0;
};

}  // namespace gm
