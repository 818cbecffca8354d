#pragma once
// The output used when there is no sound device: a thread that pulls blocks from its port at the
// pace a 44100 Hz device would, and discards them. Keeps decks, meters and the recorder running.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio/AudioOutput.h"

namespace gm {

class NullOutput final : public AudioOutput {
 public:
  static constexpr std::size_t kDefaultBlockFrames = 512;
  // A thread that wakes this many periods late starts a new schedule from "now" instead of
  // pulling the missed blocks back to back.
  static constexpr int kMaxLatePeriods = 4;

  explicit NullOutput(std::string name, std::size_t blockFrames = kDefaultBlockFrames);
  ~NullOutput() override;
  NullOutput(const NullOutput&) = delete;
  NullOutput& operator=(const NullOutput&) = delete;

  const std::string& name() const override { return name_; }
  const std::string& deviceName() const override { return deviceName_; }
  std::size_t blockFrames() const override { return blockFrames_; }

  // [main-thread] Refused while running: the playback thread reads the binding without a lock.
  bool connect(PullSource& source, int port) override;
  // [main-thread] False when not connected.
  bool start() override;
  // [main-thread] Returns once the playback thread has ended; no pull happens after it.
  void stop() override;
  // [any-thread] Nothing can fail behind a null device.
  bool failed() const override { return false; }

  // The 15-character thread name for an output name ("GrooveMangler Master Output" -> "GM Master Out").
  static std::string threadNameFor(const std::string& outputName);

 private:
  void run();  // [audio-thread]
  // [audio-thread] Sleeps until `deadline` or until stop() asks to end; true when asked to end.
  bool waitUntilOrStopped(std::chrono::steady_clock::time_point deadline);

  std::string name_;
  std::string deviceName_;
  std::string threadName_;
  std::size_t blockFrames_;
  std::vector<std::int16_t> pullBuffer_;  // sized once here so the thread never allocates
  PullSource* source_ = nullptr;
  int port_ = 0;

  std::thread thread_;
  std::mutex stopMutex_;  // guards stopRequested_ for the condition variable only
  std::condition_variable stopSignal_;
  bool stopRequested_ = false;
};

}  // namespace gm
