#pragma once
// An audio backend for tests: named devices that open or refuse to, outputs that pull on demand
// (or on a null output's thread when started) and can be made to fail.

#include <atomic>
#include <set>
#include <string>
#include <vector>

#include "audio/AudioBackend.h"
#include "audio/AudioOutput.h"

namespace gm::testing {

class FakeOutput final : public AudioOutput {
 public:
  FakeOutput(std::string name, std::string device, std::size_t blockFrames, bool refuseConnect);
  ~FakeOutput() override;

  const std::string& name() const override { return name_; }
  const std::string& deviceName() const override { return device_; }
  std::size_t blockFrames() const override { return blockFrames_; }
  bool connect(PullSource& source, int port) override;
  bool start() override;
  void stop() override;
  bool failed() const override { return failed_; }

  // Pulls one block from the connected port, as the device's playback thread would: blockFrames()
  // frames, or `frames` when given (a device whose block varies).
  std::vector<std::int16_t> pullOnce(std::size_t frames = 0);
  void breakDevice() { failed_ = true; }
  bool running() const { return running_; }
  int port() const { return port_; }

 private:
  std::string name_;
  std::string device_;
  std::size_t blockFrames_;
  bool refuseConnect_;
  PullSource* source_ = nullptr;
  int port_ = -1;
  bool running_ = false;
  std::atomic<bool> failed_{false};
};

class FakeAudioBackend final : public AudioBackend {
 public:
  explicit FakeAudioBackend(std::vector<std::string> devices = {});

  std::vector<std::string> outputDevices() override { return devices_; }
  std::unique_ptr<AudioOutput> open(const std::string& deviceName, const std::string& outputName) override;
  std::string defaultDevice() override;

  // Opening this device fails (as a device already in use would).
  void refuseOpen(const std::string& device) { refusedOpen_.insert(device); }
  // Outputs named so refuse to connect to the engine.
  void refuseConnect(const std::string& outputName) { refusedConnect_.insert(outputName); }
  // The block of outputs opened from now on (default 256; 0: the device decides at each pull).
  void setBlockFrames(std::size_t frames) { blockFrames_ = frames; }

  // The last output opened under that name (the application owns it), or nullptr.
  FakeOutput* lastOpened(const std::string& outputName) const;
  std::vector<std::string> openedDevices;  // every successful open, "output@device"

 private:
  std::vector<std::string> devices_;
  std::set<std::string> refusedOpen_;
  std::set<std::string> refusedConnect_;
  std::vector<std::pair<std::string, FakeOutput*>> opened_;
  std::size_t blockFrames_ = 256;
};

}  // namespace gm::testing
