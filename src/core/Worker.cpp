#include "core/Worker.h"

#include <pthread.h>

namespace gm {

Worker::Worker(std::string name) : name_(std::move(name)), thread_([this] { run(); }) {}

Worker::~Worker() {
  stopWithin(std::chrono::milliseconds::max());
}

bool Worker::stopWithin(std::chrono::milliseconds bound) {
  if (!thread_.joinable()) return true;
  std::unique_lock lock(mutex_);
  stopping_ = true;
  jobs_.clear();
  wake_.notify_all();
  const auto finished = [this] { return finished_; };
  if (bound == std::chrono::milliseconds::max()) {
    idle_.wait(lock, finished);
  } else if (!idle_.wait_for(lock, bound, finished)) {
    return false;  // joining could wait forever
  }
  lock.unlock();
  thread_.join();
  return true;
}

void Worker::post(std::function<void()> job) {
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    jobs_.push_back(std::move(job));
  }
  wake_.notify_one();
}

std::size_t Worker::discardPending() {
  std::lock_guard lock(mutex_);
  const std::size_t count = jobs_.size();
  jobs_.clear();
  if (!busy_) idle_.notify_all();
  return count;
}

bool Worker::stopping() const {
  std::lock_guard lock(mutex_);
  return stopping_;
}

void Worker::waitIdle() {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return jobs_.empty() && !busy_; });
}

void Worker::run() {
  pthread_setname_np(pthread_self(), name_.substr(0, 15).c_str());
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
    if (stopping_) break;
    std::function<void()> job = std::move(jobs_.front());
    jobs_.pop_front();
    busy_ = true;
    lock.unlock();
    job();
    job = nullptr;  // captured state dies on the worker, outside the lock
    lock.lock();
    busy_ = false;
    if (jobs_.empty()) idle_.notify_all();
  }
  busy_ = false;
  finished_ = true;
  idle_.notify_all();
}

}  // namespace gm
