#pragma once
// Hands a value set from one writer thread to one reader thread without locks and without tearing:
// three preallocated copies; the writer fills its private copy and swaps it with the shared middle
// one; the reader swaps the middle one for its own only when a fresh value was published. Neither
// side ever waits or allocates.

#include <array>
#include <atomic>
#include <cstdint>

namespace gm::plugin {

template <typename Value>
class TripleBuffer {
 public:
  explicit TripleBuffer(const Value& initial) : buffers_{initial, initial, initial} {}

  // [main-thread] The writer's private copy: fill it, then publish().
  Value& back() { return buffers_[back_]; }
  // [main-thread] Makes back() the latest value; back() then refers to another copy.
  void publish() { back_ = middle_.exchange(back_ | kFresh, std::memory_order_acq_rel) & kIndexMask; }

  // [audio-thread] The latest published value; stays valid and unchanged until the next read().
  const Value& read() {
    if (middle_.load(std::memory_order_relaxed) & kFresh) {
      front_ = middle_.exchange(front_, std::memory_order_acq_rel) & kIndexMask;
    }
    return buffers_[front_];
  }

 private:
  static constexpr std::uint32_t kIndexMask = 3;
  static constexpr std::uint32_t kFresh = 4;

  std::array<Value, 3> buffers_;
  std::atomic<std::uint32_t> middle_{1};
  std::uint32_t back_ = 2;   // writer only
  std::uint32_t front_ = 0;  // reader only
};

}  // namespace gm::plugin
