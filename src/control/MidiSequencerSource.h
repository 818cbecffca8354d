#pragma once
// The MIDI controllers of the system, through the ALSA sequencer: every input port of every
// controller is connected to the program's own port and read on a thread of its own ("GM MIDI"),
// which hands each message to the main thread through a MidiInbox. The sequencer's announcements
// of ports that come and go make the main thread list the ports again, so controllers plugged in
// or out while the program runs are picked up or dropped. Lights go out through a second
// sequencer client that only the main thread uses. Without a sequencer (no kernel module) start()
// says so in the status line, and the program runs on without MIDI.

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "control/MidiInbox.h"
#include "control/MidiPortList.h"
#include "control/MidiSource.h"

struct _snd_seq;
struct snd_seq_event;

namespace gm {

class MidiSequencerSource final : public MidiSource {
 public:
  static constexpr std::size_t kInboxCapacity = 4096;

  MidiSequencerSource();
  ~MidiSequencerSource() override;

  // [main-thread]
  void start(Handlers handlers) override;
  void send(const QString& port, const MidiMessage& message) override;

 private:
  bool open();
  std::vector<MidiPortInfo> listPorts() const;
  void connectPort(std::uint32_t address);
  void rescan();
  void deliver(const MidiInbox::Entry& entry);
  void readLoop();                           // [midi-thread]
  void take(const snd_seq_event& event);     // [midi-thread]
  void push(std::uint32_t sender, const MidiMessage& message, bool portsChanged);  // [midi-thread]

  Handlers handlers_;
  _snd_seq* input_ = nullptr;    // the reader's client: only the reader thread reads it once started
  _snd_seq* control_ = nullptr;  // the main thread's client: port lists, connections, lights
  int inputClient_ = -1, inputPort_ = -1, controlClient_ = -1, outputPort_ = -1;
  int stop_ = -1;                // eventfd that ends the reader
  std::unique_ptr<MidiInbox> inbox_;
  MidiPortList ports_;
  std::thread reader_;
};

}  // namespace gm
