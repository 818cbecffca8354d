#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "audio/FlushToZero.h"
#include "audio/NullOutput.h"
#include "audio/PullSource.h"
#include "audio/SampleBlock.h"

namespace gm {
namespace {

using Clock = std::chrono::steady_clock;

// Records what the output asks for; `pullsAllowed` false turns any further pull into a fault.
class RecordingSource : public PullSource {
 public:
  explicit RecordingSource(int expectedPort, std::size_t expectedBytes)
      : expectedPort_(expectedPort), expectedBytes_(expectedBytes) {}

  std::size_t pull(int port, void* /*buffer*/, std::size_t lengthBytes) override {
    if (port != expectedPort_ || lengthBytes != expectedBytes_) wrongPulls.fetch_add(1);
    if (!pullsAllowed.load()) pullsAfterStop.fetch_add(1);
    if (pulls.fetch_add(1) == 0) {
      flushToZeroOnThread = flushToZero();
      char name[16] = {};
      pthread_getname_np(pthread_self(), name, sizeof name);
      std::lock_guard lock(mutex);
      threadName = name;
    }
    if (stallOnPull.load() == pulls.load()) std::this_thread::sleep_for(stallLength);
    return lengthBytes;
  }

  // Waits, up to a bound that only guards against hanging, until `count` pulls happened.
  bool waitForPulls(int count) {
    const auto giveUp = Clock::now() + std::chrono::seconds(10);
    while (pulls.load() < count && Clock::now() < giveUp) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return pulls.load() >= count;
  }

  std::atomic<int> pulls{0};
  std::atomic<int> wrongPulls{0};
  std::atomic<int> pullsAfterStop{0};
  std::atomic<bool> pullsAllowed{true};
  std::atomic<int> stallOnPull{-1};
  std::atomic<bool> flushToZeroOnThread{false};
  std::chrono::milliseconds stallLength{0};
  std::mutex mutex;
  std::string threadName;

 private:
  int expectedPort_;
  std::size_t expectedBytes_;
};

// Frames pulled per frame of wall time; 1.0 is real-time pace.
double paceOf(int pulls, std::size_t blockFrames, Clock::duration elapsed) {
  const double elapsedSeconds = std::chrono::duration<double>(elapsed).count();
  return pulls * static_cast<double>(blockFrames) / (elapsedSeconds * kSampleRate);
}

TEST(NullOutputTest, PullsFullBlocksOfItsPortAtRealTimePaceUntilStopped) {
  NullOutput output("GrooveMangler Master Output");
  EXPECT_EQ(output.deviceName(), kNullOutputName);
  EXPECT_EQ(output.name(), "GrooveMangler Master Output");
  EXPECT_EQ(output.blockFrames(), 512u);
  RecordingSource source(1, 512 * kBytesPerFrame);
  ASSERT_TRUE(output.connect(source, 1));

  const Clock::time_point started = Clock::now();
  ASSERT_TRUE(output.start());
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  output.stop();
  const Clock::time_point stopped = Clock::now();
  source.pullsAllowed = false;
  const int pullsAtStop = source.pulls.load();

  // A rate, not a time: generous so that a loaded machine passes, tight enough to catch a null
  // device that spins (ALSA's null plays a billion frames a second) or sleeps whole seconds.
  const double pace = paceOf(pullsAtStop, output.blockFrames(), stopped - started);
  EXPECT_GT(pace, 0.6);
  EXPECT_LT(pace, 1.4);
  EXPECT_EQ(source.wrongPulls.load(), 0);
  EXPECT_FALSE(output.failed());
  // The rendering thread flushes subnormal floats to zero; the test's own thread was left alone.
  EXPECT_TRUE(source.flushToZeroOnThread.load());
  EXPECT_FALSE(flushToZero());
  {
    std::lock_guard lock(source.mutex);
    EXPECT_EQ(source.threadName, "GM Master Out");
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(source.pulls.load(), pullsAtStop);
  EXPECT_EQ(source.pullsAfterStop.load(), 0);
}

TEST(NullOutputTest, StartsOnlyWhenConnectedAndRestartsAfterStop) {
  NullOutput output("GrooveMangler Line Output", 256);
  EXPECT_EQ(output.blockFrames(), 256u);
  EXPECT_FALSE(output.start());
  output.stop();  // stopping an output that never ran is harmless

  RecordingSource source(0, 256 * kBytesPerFrame);
  ASSERT_TRUE(output.connect(source, 0));
  ASSERT_TRUE(output.start());
  EXPECT_TRUE(output.start());  // already running
  RecordingSource other(5, 256 * kBytesPerFrame);
  EXPECT_FALSE(output.connect(other, 5));  // the running thread keeps its binding
  ASSERT_TRUE(source.waitForPulls(2));
  output.stop();
  output.stop();

  const int pullsAfterFirstRun = source.pulls.load();
  ASSERT_TRUE(output.start());
  ASSERT_TRUE(source.waitForPulls(pullsAfterFirstRun + 2));
  output.stop();
  {
    std::lock_guard lock(source.mutex);
    EXPECT_EQ(source.threadName, "GM Line Out");
  }

  ASSERT_TRUE(output.connect(other, 5));  // allowed again once stopped
  ASSERT_TRUE(output.start());
  ASSERT_TRUE(other.waitForPulls(2));
  output.stop();
  EXPECT_EQ(source.wrongPulls.load(), 0);
  EXPECT_EQ(other.wrongPulls.load(), 0);
}

TEST(NullOutputTest, DestroyingARunningOutputStopsItsThread) {
  RecordingSource source(0, NullOutput::kDefaultBlockFrames * kBytesPerFrame);
  {
    NullOutput output("GrooveMangler Master Output");
    ASSERT_TRUE(output.connect(source, 0));
    ASSERT_TRUE(output.start());
    ASSERT_TRUE(source.waitForPulls(2));
  }
  source.pullsAllowed = false;
  const int pullsAtDestruction = source.pulls.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(source.pulls.load(), pullsAtDestruction);
  EXPECT_EQ(source.pullsAfterStop.load(), 0);
}

TEST(NullOutputTest, AStalledPullStartsANewScheduleInsteadOfABurst) {
  // Blocks of 64 frames last 1.45 ms; a 300 ms stall misses about 200 of them. Catching up would
  // pull them back to back and reach real-time pace over the whole run; skipping them leaves the
  // run at about half of it.
  NullOutput output("GrooveMangler Master Output", 64);
  RecordingSource source(0, 64 * kBytesPerFrame);
  source.stallLength = std::chrono::milliseconds(300);
  source.stallOnPull = 3;
  ASSERT_TRUE(output.connect(source, 0));

  const Clock::time_point started = Clock::now();
  ASSERT_TRUE(output.start());
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  output.stop();
  const double pace = paceOf(source.pulls.load(), output.blockFrames(), Clock::now() - started);
  EXPECT_GT(pace, 0.2);
  EXPECT_LT(pace, 0.8);
}

}  // namespace
}  // namespace gm
