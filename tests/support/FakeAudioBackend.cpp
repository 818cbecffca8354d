#include "support/FakeAudioBackend.h"

#include <algorithm>

#include "audio/PullSource.h"

namespace gm::testing {

FakeOutput::FakeOutput(std::string name, std::string device, std::size_t blockFrames, bool refuseConnect)
    : name_(std::move(name)), device_(std::move(device)), blockFrames_(blockFrames), refuseConnect_(refuseConnect) {}

FakeOutput::~FakeOutput() { stop(); }

bool FakeOutput::connect(PullSource& source, int port) {
  if (refuseConnect_) return false;
  source_ = &source;
  port_ = port;
  return true;
}

bool FakeOutput::start() {
  running_ = source_ != nullptr;
  return running_;
}

void FakeOutput::stop() { running_ = false; }

std::vector<std::int16_t> FakeOutput::pullOnce(std::size_t frames) {
  std::vector<std::int16_t> block((frames != 0 ? frames : blockFrames_) * 2, 0x5555);
  if (source_) source_->pull(port_, block.data(), block.size() * sizeof(std::int16_t));
  return block;
}

FakeAudioBackend::FakeAudioBackend(std::vector<std::string> devices) : devices_(std::move(devices)) {}

std::unique_ptr<AudioOutput> FakeAudioBackend::open(const std::string& deviceName, const std::string& outputName) {
  const bool known = deviceName == kNullOutputName ||
                     std::find(devices_.begin(), devices_.end(), deviceName) != devices_.end();
  if (!known || refusedOpen_.count(deviceName)) return nullptr;
  auto output = std::make_unique<FakeOutput>(outputName, deviceName, blockFrames_, refusedConnect_.count(outputName) > 0);
  opened_.emplace_back(outputName, output.get());
  openedDevices.push_back(outputName + "@" + deviceName);
  return output;
}

std::string FakeAudioBackend::defaultDevice() { return devices_.empty() ? kNullOutputName : devices_.front(); }

FakeOutput* FakeAudioBackend::lastOpened(const std::string& outputName) const {
  for (auto it = opened_.rbegin(); it != opened_.rend(); ++it) {
    if (it->first == outputName) return it->second;
  }
  return nullptr;
}

}  // namespace gm::testing
