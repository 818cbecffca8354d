#pragma once
// Carries copies of master blocks from the master output's thread to the main thread, where the
// recorder writes them. Each block travels as a length header followed by its bytes through a
// lock-free byte FIFO sized for ten seconds of audio, so the audio thread never blocks or
// allocates and the main thread may drain at its leisurely tick.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "audio/RecordReceiver.h"
#include "audio/SampleBlock.h"
#include "audio/SpscQueue.h"

namespace gm {

class RecordQueue {
 public:
  static constexpr std::size_t kBufferedSeconds = 10;

  // [main-thread] Allocates for blocks of up to `maxBlockFrames` frames and empties the queue.
  // Not while the audio thread pushes.
  void reset(std::size_t maxBlockFrames);

  // [audio-thread] Queues a copy of `block`. A block that does not fit is dropped and counted;
  // in its place a 0-frame block is queued when at least the header fits, so that the receiver
  // still gets one call per master block. Pre: block.frames <= maxBlockFrames (the engine
  // never produces longer master blocks). Returns false when the block was dropped.
  bool push(ConstSampleBlock block);

  // [main-thread] Delivers every complete block queued so far, oldest first, one call each.
  void drainTo(RecordReceiver& receiver);
  // [main-thread] Throws away every complete block queued so far.
  void discard();

  // [any-thread] Blocks dropped because the queue was full.
  std::uint64_t overflowCount() const { return overflowCount_.load(std::memory_order_relaxed); }
  // [main-thread] The most bytes (blocks and their headers) found queued at a drain since reset(),
  // and the room there is: how close the drains came to losing blocks.
  std::size_t highWaterBytes() const { return highWaterBytes_; }
  std::size_t capacityBytes() const { return bytes_.capacity(); }

 private:
  using Header = std::uint32_t;  // length of the block in bytes
  static constexpr std::size_t kHeaderBytes = sizeof(Header);

  // Pops one complete block into scratch_; false when none is complete yet.
  bool popBlock(ConstSampleBlock& block);

  SpscQueue<std::uint8_t> bytes_;
  std::unique_ptr<std::uint8_t[]> scratch_;  // one block, for handing out whole blocks
  std::size_t maxBlockBytes_ = 0;
  std::size_t highWaterBytes_ = 0;  // [main-thread]
  std::atomic<std::uint64_t> overflowCount_{0};
};

}  // namespace gm
