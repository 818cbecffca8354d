#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <set>
#include <string>
#include <thread>

#include "audio/PortAudioBackend.h"
#include "audio/PullSource.h"

namespace gm {
namespace {

class CountingSource : public PullSource {
 public:
  std::size_t pull(int port, void* /*buffer*/, std::size_t lengthBytes) override {
    lastPort = port;
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
  std::atomic<int> lastPort{-1};
};

TEST(PortAudioBackendTest, ProbesDevicesWithoutPrintingAndListsUsableUniqueNames) {
  testing::internal::CaptureStderr();
  std::vector<std::string> devices;
  std::string defaultDevice;
  {
    PortAudioBackend backend;
    devices = backend.outputDevices();
    defaultDevice = backend.defaultDevice();
  }
  // ALSA and JACK complain loudly about every missing card and server unless silenced.
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

  // No sound devices on a build machine is normal: the list may be empty.
  const std::set<std::string> unique(devices.begin(), devices.end());
  EXPECT_EQ(unique.size(), devices.size());
  EXPECT_FALSE(unique.contains(kNullOutputName));
  EXPECT_TRUE(defaultDevice == kNullOutputName || unique.contains(defaultDevice)) << defaultDevice;
}

TEST(PortAudioBackendTest, OpensTheNullOutputByNameAndNothingForUnknownNames) {
  PortAudioBackend backend;
  EXPECT_EQ(backend.open("No Such Device", "GrooveMangler Master Output"), nullptr);
  EXPECT_EQ(backend.open("", "GrooveMangler Master Output"), nullptr);

  std::unique_ptr<AudioOutput> output = backend.open(kNullOutputName, "GrooveMangler Line Output");
  ASSERT_NE(output, nullptr);
  EXPECT_EQ(output->name(), "GrooveMangler Line Output");
  EXPECT_EQ(output->deviceName(), kNullOutputName);
  CountingSource source;
  ASSERT_TRUE(output->connect(source, 1));
  ASSERT_TRUE(output->start());
  EXPECT_TRUE(source.waitForPulls(3));
  output->stop();
  EXPECT_EQ(source.lastPort.load(), 1);
  EXPECT_FALSE(output->failed());
}

TEST(PortAudioBackendTest, OutputsOutliveTheBackendThatOpenedThem) {
  std::unique_ptr<AudioOutput> output;
  std::vector<std::unique_ptr<AudioOutput>> deviceOutputs;
  {
    PortAudioBackend first;
    PortAudioBackend second;  // PortAudio is shared: two backends must not tear each other down
    output = second.open(kNullOutputName, "GrooveMangler Master Output");
    for (const std::string& device : first.outputDevices()) {
      // A listed device may still refuse to open; that shows as nullptr, never as a crash.
      if (auto opened = first.open(device, "GrooveMangler Master Output")) {
        EXPECT_EQ(opened->deviceName(), device);
        EXPECT_FALSE(opened->failed());
        deviceOutputs.push_back(std::move(opened));
      }
    }
    EXPECT_EQ(second.outputDevices(), first.outputDevices());
  }
  ASSERT_NE(output, nullptr);
  CountingSource source;
  ASSERT_TRUE(output->connect(source, 0));
  ASSERT_TRUE(output->start());
  EXPECT_TRUE(source.waitForPulls(2));
  deviceOutputs.clear();  // closes streams after the backends are gone
  output.reset();
}

}  // namespace
}  // namespace gm
