#pragma once
// Lights on MIDI controllers that follow the program: every event bound to a MIDI note or control
// change (without a modifier, whose layer shares the light) whose target reports an on/off state
// sends that state to the control's port, a note on with velocity 127 or 0, or the control change
// 127 or 0, whenever it differs from what was sent last, wherever the change came from (the
// window, the command port, a script, the controller itself).

#include <functional>
#include <map>
#include <optional>

#include <QString>

#include "control/MidiControl.h"
#include "control/MidiMessage.h"

namespace gm {

class EventList;
struct EventBinding;

class MidiFeedback {
 public:
  using Sender = std::function<void(const QString& port, const MidiMessage& message)>;

  MidiFeedback(const EventList& events, Sender send) : events_(events), send_(std::move(send)) {}

  // [main-thread] Sends the states that changed; how many messages went out.
  int update();
  // [main-thread] The port (dis)appeared: its lights are sent afresh on the next update.
  void forgetPort(const QString& port);

  // The message that shows `on` on `control`; none for faders (14-bit controls, pitch bend).
  static std::optional<MidiMessage> message(const MidiControl& control, bool on);

 private:
  struct Shown {
    MidiControl control;
    bool on;
  };

  const EventList& events_;
  Sender send_;
  std::map<const EventBinding*, Shown> shown_;  // records never leave the list
};

}  // namespace gm
