#pragma once
// A background thread with its own ordered job queue: the deck loaders, the playlist's loader and
// the version check each own one. Jobs run one after the other in the order they were posted.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace gm {

class Worker {
 public:
  // Starts the thread; `name` is shown by system tools (cut to 15 characters).
  explicit Worker(std::string name);
  // Discards the jobs that have not started, waits for the running one and joins.
  ~Worker();
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  // [any-thread] Queues a job; ignored once the worker is stopping.
  void post(std::function<void()> job);
  // [any-thread] Drops the jobs that have not started yet; returns how many.
  std::size_t discardPending();
  // [worker-thread] True once the owner asked the worker to stop: long jobs poll it to end early.
  bool stopping() const;
  // [any-thread] Blocks until every job posted so far has run (tests and shutdown).
  void waitIdle();
  // [owner-thread] Stops as the destructor does, but waits at most `bound` for the running job.
  // False when it is still running then (stuck in a call that cannot be interrupted): destroying
  // the worker would wait for it, so the caller ends the process without tearing down.
  bool stopWithin(std::chrono::milliseconds bound);

  const std::string& name() const { return name_; }

 private:
  void run();

  const std::string name_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::deque<std::function<void()>> jobs_;
  bool stopping_ = false;
  bool busy_ = false;
  bool finished_ = false;  // the thread has left its loop
  std::thread thread_;
};

}  // namespace gm
