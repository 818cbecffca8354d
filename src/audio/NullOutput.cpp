#include "audio/NullOutput.h"

#include <pthread.h>

#include "audio/FlushToZero.h"
#include "audio/PullSource.h"
#include "audio/SampleBlock.h"

namespace gm {

namespace {

using Clock = std::chrono::steady_clock;

// Exact time of `frames` frames at the sample rate, split so that it never overflows and never
// accumulates rounding: the schedule stays on the device clock it imitates.
Clock::duration durationOfFrames(std::uint64_t frames) {
  const std::uint64_t seconds = frames / kSampleRate;
  const std::uint64_t restFrames = frames % kSampleRate;
  const auto nanoseconds = std::chrono::nanoseconds(seconds * 1'000'000'000ULL +
                                                    restFrames * 1'000'000'000ULL / kSampleRate);
  return std::chrono::duration_cast<Clock::duration>(nanoseconds);
}

void replaceFirst(std::string& text, const std::string& from, const std::string& to) {
  const auto at = text.find(from);
  if (at != std::string::npos) text.replace(at, from.size(), to);
}

}  // namespace

NullOutput::NullOutput(std::string name, std::size_t blockFrames)
    : name_(std::move(name)),
      deviceName_(kNullOutputName),
      threadName_(threadNameFor(name_)),
      blockFrames_(blockFrames == 0 ? kDefaultBlockFrames : blockFrames),
      pullBuffer_(blockFrames_ * kChannels) {}

NullOutput::~NullOutput() { stop(); }

std::string NullOutput::threadNameFor(const std::string& outputName) {
  // Linux keeps 15 characters of a thread name; shorten the words that would eat them.
  std::string threadName = outputName;
  replaceFirst(threadName, "GrooveMangler", "GM");
  replaceFirst(threadName, "Output", "Out");
  if (threadName.size() > 15) threadName.resize(15);
  return threadName;
}

bool NullOutput::connect(PullSource& source, int port) {
  if (thread_.joinable()) return false;
  source_ = &source;
  port_ = port;
  return true;
}

bool NullOutput::start() {
  if (thread_.joinable()) return true;
  if (source_ == nullptr) return false;
  stopRequested_ = false;
  thread_ = std::thread([this] { run(); });
  return true;
}

void NullOutput::stop() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(stopMutex_);
    stopRequested_ = true;
  }
  stopSignal_.notify_all();
  thread_.join();
}

bool NullOutput::waitUntilOrStopped(Clock::time_point deadline) {
  std::unique_lock lock(stopMutex_);
  return stopSignal_.wait_until(lock, deadline, [this] { return stopRequested_; });
}

void NullOutput::run() {
  pthread_setname_np(pthread_self(), threadName_.c_str());
  setFlushToZero(true);
  const std::size_t blockBytes = blockFrames_ * kBytesPerFrame;
  const Clock::duration period = durationOfFrames(blockFrames_);
  Clock::time_point anchor = Clock::now();
  std::uint64_t framesSinceAnchor = 0;
  for (;;) {
    source_->pull(port_, pullBuffer_.data(), blockBytes);
    framesSinceAnchor += blockFrames_;
    Clock::time_point deadline = anchor + durationOfFrames(framesSinceAnchor);
    const Clock::time_point now = Clock::now();
    if (now - deadline > kMaxLatePeriods * period) {
      // Stalled (suspended, debugger, overload): a real device would have dropped those blocks
      // too, so the block just pulled starts a new schedule rather than a burst of catch-up pulls.
      anchor = now;
      framesSinceAnchor = blockFrames_;
      deadline = now + period;
    }
    if (waitUntilOrStopped(deadline)) return;
  }
}

}  // namespace gm
