#pragma once
// Stands in for the MIDI sequencer: the test hands messages and port changes to the handlers the
// program gave it, and reads what the program sent back to the controllers.

#include <utility>
#include <vector>

#include "control/MidiSource.h"

namespace gm::testing {

class ScriptedMidiSource final : public MidiSource {
 public:
  using Sent = std::vector<std::pair<QString, MidiMessage>>;

  ScriptedMidiSource(Handlers& handlers, Sent& sent) : handlers_(handlers), sent_(sent) {}
  void start(Handlers handlers) override { handlers_ = std::move(handlers); }
  void send(const QString& port, const MidiMessage& message) override { sent_.emplace_back(port, message); }

 private:
  Handlers& handlers_;
  Sent& sent_;
};

}  // namespace gm::testing
