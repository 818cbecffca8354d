#pragma once
// Hands MIDI messages from the thread that reads the sequencer to the main thread. The reader never
// waits: it puts each message in a fixed ring (single producer, single consumer) and pokes an event
// descriptor that the main thread's event loop watches; the main thread then takes everything
// queued. A full ring drops the message and counts it.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <QObject>

#include "control/MidiSource.h"

class QSocketNotifier;

namespace gm {

class MidiInbox : public QObject {
  Q_OBJECT
 public:
  struct Entry {
    std::uint32_t sender = 0;     // the source's own address of the port the message came from
    MidiMessage message;
    MidiSource::Clock::time_point arrival;
    bool portsChanged = false;    // not a message: ports came or went
  };
  using Deliver = std::function<void(const Entry& entry)>;

  // [main-thread] Room for `capacity` entries waiting at once.
  MidiInbox(std::size_t capacity, Deliver deliver, QObject* parent = nullptr);
  ~MidiInbox() override;

  // [midi-thread] Queues one entry and wakes the main thread; false when the ring was full.
  bool push(const Entry& entry);
  // [main-thread] Delivers every queued entry, oldest first; how many.
  std::size_t drain();
  // Entries dropped because the ring was full, since the last call.
  std::uint64_t takeDropped() { return dropped_.exchange(0); }

 private:
  std::vector<Entry> ring_;
  std::atomic<std::size_t> head_{0};  // next slot the reader fills
  std::atomic<std::size_t> tail_{0};  // next slot the main thread takes
  std::atomic<std::uint64_t> dropped_{0};
  Deliver deliver_;
  int wake_ = -1;  // eventfd
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace gm
