#include "control/MidiInbox.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QSocketNotifier>

namespace gm {

MidiInbox::MidiInbox(std::size_t capacity, Deliver deliver, QObject* parent)
    : QObject(parent), ring_(capacity + 1), deliver_(std::move(deliver)) {
  wake_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (wake_ < 0) return;
  notifier_ = std::make_unique<QSocketNotifier>(wake_, QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { drain(); });
}

MidiInbox::~MidiInbox() {
  notifier_.reset();
  if (wake_ >= 0) close(wake_);
}

bool MidiInbox::push(const Entry& entry) {
  const std::size_t head = head_.load(std::memory_order_relaxed);
  const std::size_t next = (head + 1) % ring_.size();
  if (next == tail_.load(std::memory_order_acquire)) {
    dropped_.fetch_add(1, std::memory_order_relaxed);
    return false;
  }
  ring_[head] = entry;
  head_.store(next, std::memory_order_release);
  // The counter only says "look"; when it cannot be written the main thread is going to look anyway.
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = wake_ >= 0 ? write(wake_, &one, sizeof one) : 0;
  return true;
}

std::size_t MidiInbox::drain() {
  std::uint64_t pokes = 0;
  [[maybe_unused]] const ssize_t taken = wake_ >= 0 ? read(wake_, &pokes, sizeof pokes) : 0;
  std::size_t delivered = 0;
  std::size_t tail = tail_.load(std::memory_order_relaxed);
  while (tail != head_.load(std::memory_order_acquire)) {
    const Entry entry = ring_[tail];
    tail = (tail + 1) % ring_.size();
    tail_.store(tail, std::memory_order_release);
    deliver_(entry);
    ++delivered;
  }
  return delivered;
}

}  // namespace gm
