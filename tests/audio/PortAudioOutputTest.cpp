#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

#include "audio/FlushToZero.h"
#include "audio/PortAudioBackend.h"
#include "audio/PortAudioOutput.h"
#include "audio/PullSource.h"
#include "audio/SampleBlock.h"

namespace gm {
namespace {

namespace fs = std::filesystem;

class CheckingSource : public PullSource {
 public:
  std::size_t pull(int port, void* /*buffer*/, std::size_t lengthBytes) override {
    if (port != 1 || lengthBytes != PortAudioOutput::kFramesPerBuffer * kBytesPerFrame) wrongPulls.fetch_add(1);
    if (!pullsAllowed.load()) pullsAfterStop.fetch_add(1);
    if (!flushToZero()) pullsWithoutFlushToZero.fetch_add(1);
    pulls.fetch_add(1);
    return lengthBytes;
  }
  bool waitForPulls(int count) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (pulls.load() < count && std::chrono::steady_clock::now() < giveUp) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return pulls.load() >= count;
  }
  std::atomic<int> pulls{0};
  std::atomic<int> wrongPulls{0};
  std::atomic<int> pullsAfterStop{0};
  std::atomic<int> pullsWithoutFlushToZero{0};
  std::atomic<bool> pullsAllowed{true};
};

// The build machines have no sound card. ALSA's own configuration can still define a device on
// its "null" plug-in, which PortAudio lists and streams to like any other (without any timing).
class PortAudioOutputTest : public testing::Test {
 protected:
  static constexpr const char* kSystemConfig = "/usr/share/alsa/alsa.conf";
  static constexpr const char* kDevice = "gm_test_sink";

  void SetUp() override {
    if (!fs::exists(kSystemConfig)) GTEST_SKIP() << "no ALSA configuration at " << kSystemConfig;
    configPath_ = fs::temp_directory_path() / ("gm_alsa_" + std::to_string(getpid()) + ".conf");
    std::ofstream(configPath_) << "pcm." << kDevice << " {\n  type null\n}\n";
    if (const char* previous = std::getenv("ALSA_CONFIG_PATH")) previousConfig_ = previous;
    setenv("ALSA_CONFIG_PATH", (std::string(kSystemConfig) + ":" + configPath_.string()).c_str(), 1);
  }
  void TearDown() override {
    if (configPath_.empty()) return;
    if (previousConfig_) {
      setenv("ALSA_CONFIG_PATH", previousConfig_->c_str(), 1);
    } else {
      unsetenv("ALSA_CONFIG_PATH");
    }
    fs::remove(configPath_);
  }

 private:
  fs::path configPath_;
  std::optional<std::string> previousConfig_;
};

TEST_F(PortAudioOutputTest, StreamPullsItsPortUntilStoppedWithoutReportingAFailure) {
  PortAudioBackend backend;
  const std::vector<std::string> devices = backend.outputDevices();
  ASSERT_NE(std::find(devices.begin(), devices.end(), kDevice), devices.end());

  std::unique_ptr<AudioOutput> output = backend.open(kDevice, "GrooveMangler Line Output");
  ASSERT_NE(output, nullptr);
  EXPECT_EQ(output->deviceName(), kDevice);
  EXPECT_EQ(output->name(), "GrooveMangler Line Output");
  EXPECT_EQ(output->blockFrames(), PortAudioOutput::kFramesPerBuffer);
  CheckingSource source;
  EXPECT_FALSE(output->start());  // nothing to pull from yet
  ASSERT_TRUE(output->connect(source, 1));

  for (int run = 0; run < 2; ++run) {
    source.pullsAllowed = true;
    const int pullsBefore = source.pulls.load();
    ASSERT_TRUE(output->start());
    EXPECT_FALSE(output->connect(source, 0));  // not while the callback may run
    ASSERT_TRUE(source.waitForPulls(pullsBefore + 3));
    EXPECT_FALSE(output->failed());
    output->stop();
    source.pullsAllowed = false;
    // Our own stop ends the stream too; it must not look like a dead device.
    EXPECT_FALSE(output->failed());
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(source.pullsAfterStop.load(), 0);
  EXPECT_EQ(source.wrongPulls.load(), 0);
  // The callback thread renders with subnormal floats flushed to zero, from its first block on.
  EXPECT_EQ(source.pullsWithoutFlushToZero.load(), 0);
  EXPECT_FALSE(flushToZero());

  source.pullsAllowed = true;
  ASSERT_TRUE(output->start());
  output.reset();  // closing a running stream stops it first
  source.pullsAllowed = false;
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(source.pullsAfterStop.load(), 0);
}

}  // namespace
}  // namespace gm
