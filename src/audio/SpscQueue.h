#pragma once
// A lock-free FIFO for exactly one producer thread and one consumer thread, of trivially copyable
// items. reset() allocates and must not run while either side is active; push, pop, peek and the
// counts never block and never allocate, so either side may be an audio thread.
//
// The read and write counters run freely (unsigned wrap-around) and are indices modulo the
// capacity; the producer publishes with a release store of the write counter after copying, the
// consumer frees space with a release store of the read counter after copying out, and each side
// acquires the other's counter before touching the items.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <memory>
#include <type_traits>

namespace gm {

template <typename T>
class SpscQueue {
  static_assert(std::is_trivially_copyable_v<T>, "items are moved with memcpy");

 public:
  SpscQueue() = default;
  explicit SpscQueue(std::size_t capacity) { reset(capacity); }
  SpscQueue(const SpscQueue&) = delete;
  SpscQueue& operator=(const SpscQueue&) = delete;

  // [main-thread] Allocates room for `capacity` items and empties the queue. Not while running.
  void reset(std::size_t capacity) {
    items_ = capacity > 0 ? std::make_unique<T[]>(capacity) : nullptr;
    capacity_ = capacity;
    readCount_.store(0, std::memory_order_relaxed);
    writeCount_.store(0, std::memory_order_relaxed);
  }

  std::size_t capacity() const { return capacity_; }

  // [producer] Appends all `count` items, or none when they do not all fit: a reader never sees
  // part of one push. Returns the number appended (count or 0).
  std::size_t push(const T* source, std::size_t count) {
    const std::size_t write = writeCount_.load(std::memory_order_relaxed);
    const std::size_t read = readCount_.load(std::memory_order_acquire);
    if (count == 0 || capacity_ - (write - read) < count) {
      return 0;
    }
    copyIn(write % capacity_, source, count);
    writeCount_.store(write + count, std::memory_order_release);
    return count;
  }

  // [producer] Items that a push could append now; only grows until the producer pushes.
  std::size_t writeAvailable() const {
    return capacity_ - (writeCount_.load(std::memory_order_relaxed) -
                        readCount_.load(std::memory_order_acquire));
  }

  // [consumer] Removes up to `count` items, oldest first; returns how many were removed.
  std::size_t pop(T* destination, std::size_t count) {
    const std::size_t moved = peek(destination, count);
    if (moved > 0) {
      readCount_.store(readCount_.load(std::memory_order_relaxed) + moved, std::memory_order_release);
    }
    return moved;
  }

  // [consumer] Copies up to `count` of the oldest items without removing them.
  std::size_t peek(T* destination, std::size_t count) const {
    const std::size_t read = readCount_.load(std::memory_order_relaxed);
    const std::size_t moved = std::min(count, writeCount_.load(std::memory_order_acquire) - read);
    if (moved > 0) {
      copyOut(read % capacity_, destination, moved);
    }
    return moved;
  }

  // [consumer] Items that a pop could remove now; only grows until the consumer pops.
  std::size_t readAvailable() const {
    return writeCount_.load(std::memory_order_acquire) - readCount_.load(std::memory_order_relaxed);
  }

 private:
  void copyIn(std::size_t index, const T* source, std::size_t count) {
    const std::size_t firstPart = std::min(count, capacity_ - index);
    std::memcpy(items_.get() + index, source, firstPart * sizeof(T));
    std::memcpy(items_.get(), source + firstPart, (count - firstPart) * sizeof(T));
  }

  void copyOut(std::size_t index, T* destination, std::size_t count) const {
    const std::size_t firstPart = std::min(count, capacity_ - index);
    std::memcpy(destination, items_.get() + index, firstPart * sizeof(T));
    std::memcpy(destination + firstPart, items_.get(), (count - firstPart) * sizeof(T));
  }

  std::unique_ptr<T[]> items_;
  std::size_t capacity_ = 0;
  // Each counter is written by one side only; separate cache lines keep the sides from
  // invalidating each other's line on every operation.
  alignas(64) std::atomic<std::size_t> readCount_{0};
  alignas(64) std::atomic<std::size_t> writeCount_{0};
};

}  // namespace gm
