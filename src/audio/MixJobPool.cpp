#include "audio/MixJobPool.h"

#include <algorithm>

namespace gm {

void MixJobPool::reset(std::size_t maxBlockFrames) {
  const std::size_t framesPerJob = std::max<std::size_t>(maxBlockFrames, 1);
  const std::size_t queuedJobsBound =
      std::max(kMinimumQueuedJobs, (kQueuedFramesBound + framesPerJob - 1) / framesPerJob);
  // Two more for the job the master is filling and the one the headphones are playing.
  jobCount_ = queuedJobsBound + 2;
  jobs_ = std::make_unique<MixJob[]>(jobCount_);
  const std::size_t samplesPerBlock = framesPerJob * kChannels;
  samples_ = std::make_unique<std::int16_t[]>(jobCount_ * 3 * samplesPerBlock);

  std::lock_guard lock(jobLock_);
  freeList_ = queueHead_ = queueTail_ = nullptr;
  for (std::size_t i = 0; i < jobCount_; ++i) {
    MixJob& job = jobs_[i];
    std::int16_t* base = samples_.get() + i * 3 * samplesPerBlock;
    job.deckABlock = {base, framesPerJob};
    job.deckBBlock = {base + samplesPerBlock, framesPerJob};
    job.masterBlock = {base + 2 * samplesPerBlock, framesPerJob};
    job.lengthFrames = 0;
    pushFreeLocked(&job);
  }
  queuedJobs_.store(0, std::memory_order_relaxed);
  droppedJobs_.store(0, std::memory_order_relaxed);
}

MixJob* MixJobPool::acquire() {
  std::lock_guard lock(jobLock_);
  if (freeList_ != nullptr) {
    MixJob* job = freeList_;
    freeList_ = job->next;
    job->next = nullptr;
    return job;
  }
  MixJob* oldest = popQueueHeadLocked();
  if (oldest != nullptr) {
    droppedJobs_.fetch_add(1, std::memory_order_relaxed);
  }
  return oldest;
}

void MixJobPool::enqueue(MixJob* job) {
  std::lock_guard lock(jobLock_);
  job->next = nullptr;
  if (queueTail_ != nullptr) {
    queueTail_->next = job;
  } else {
    queueHead_ = job;
  }
  queueTail_ = job;
  queuedJobs_.fetch_add(1, std::memory_order_relaxed);
}

MixJob* MixJobPool::takeOldest() {
  std::lock_guard lock(jobLock_);
  return popQueueHeadLocked();
}

void MixJobPool::release(MixJob* job) {
  std::lock_guard lock(jobLock_);
  pushFreeLocked(job);
}

void MixJobPool::releaseQueued() {
  std::lock_guard lock(jobLock_);
  while (MixJob* job = popQueueHeadLocked()) {
    pushFreeLocked(job);
  }
}

MixJob* MixJobPool::popQueueHeadLocked() {
  MixJob* job = queueHead_;
  if (job == nullptr) {
    return nullptr;
  }
  queueHead_ = job->next;
  if (queueHead_ == nullptr) {
    queueTail_ = nullptr;
  }
  job->next = nullptr;
  queuedJobs_.fetch_sub(1, std::memory_order_relaxed);
  return job;
}

void MixJobPool::pushFreeLocked(MixJob* job) {
  job->next = freeList_;
  freeList_ = job;
}

}  // namespace gm
