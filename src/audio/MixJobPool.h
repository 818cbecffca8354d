#pragma once
// The jobs that carry each master block to the headphone side: deck A's and deck B's rendered
// audio and the finished master block. All jobs and their buffers are allocated in reset(); the
// audio threads only move jobs between the free list, the queue and their own hands, under
// jobLock_, which is held for pointer moves only.
//
// The queue is bounded by the pool: when the master side needs a job and none is free, the
// oldest job that the headphone side has not started is given up and reused. A job the
// headphone side has taken off the queue is never reused before it is released.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "audio/SampleBlock.h"

namespace gm {

struct MixJob {
  SampleBlock deckABlock;   // deck A's rendered audio, before volume and cross-fader
  SampleBlock deckBBlock;   // deck B's, likewise
  SampleBlock masterBlock;  // copy of the finished master block
  std::size_t lengthFrames = 0;  // frames used in each block (the blocks hold maxBlockFrames)
  MixJob* next = nullptr;        // free list or queue link
};

class MixJobPool {
 public:
  // Enough queued audio to ride out a headphone output that lags the master by ~186 ms.
  static constexpr std::size_t kQueuedFramesBound = 8192;
  static constexpr std::size_t kMinimumQueuedJobs = 8;

  // [main-thread] Allocates the jobs for blocks of up to `maxBlockFrames` frames and makes them
  // all free. Not while audio threads use the pool.
  void reset(std::size_t maxBlockFrames);

  // [audio-thread: master] A job to fill: a free one, else the oldest queued one (counted as
  // dropped). nullptr only when every job is in someone's hands, which the sizing prevents.
  MixJob* acquire();
  // [audio-thread: master] Appends a filled job at the tail of the queue.
  void enqueue(MixJob* job);
  // [audio-thread: headphones] Takes the oldest queued job; nullptr when the queue is empty.
  MixJob* takeOldest();
  // [any audio-thread] Returns a job to the free list.
  void release(MixJob* job);
  // [audio-thread: headphones] Returns every queued job to the free list.
  void releaseQueued();

  // [any-thread]
  std::size_t jobCount() const { return jobCount_; }
  std::size_t queuedJobs() const { return queuedJobs_.load(std::memory_order_relaxed); }
  std::uint64_t droppedJobs() const { return droppedJobs_.load(std::memory_order_relaxed); }

 private:
  MixJob* popQueueHeadLocked();
  void pushFreeLocked(MixJob* job);

  std::unique_ptr<MixJob[]> jobs_;
  std::unique_ptr<std::int16_t[]> samples_;  // every job's three blocks, back to back
  std::size_t jobCount_ = 0;

  std::mutex jobLock_;
  MixJob* freeList_ = nullptr;
  MixJob* queueHead_ = nullptr;
  MixJob* queueTail_ = nullptr;
  std::atomic<std::size_t> queuedJobs_{0};
  std::atomic<std::uint64_t> droppedJobs_{0};
};

}  // namespace gm
