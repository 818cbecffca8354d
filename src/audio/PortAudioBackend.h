#pragma once
// The real audio backend: PortAudio's output devices plus the null output. PortAudio stays
// initialised for the life of the backend; when it cannot be initialised, only the null output exists.

#include <memory>
#include <string>
#include <vector>

#include "audio/AudioBackend.h"

namespace gm {

class PortAudioBackend final : public AudioBackend {
 public:
  // [main-thread] Silences the sound libraries' console chatter, then initialises PortAudio.
  PortAudioBackend();
  ~PortAudioBackend() override;
  PortAudioBackend(const PortAudioBackend&) = delete;
  PortAudioBackend& operator=(const PortAudioBackend&) = delete;

  // Devices with at least two output channels, named uniquely (" (2)", " (3)" for repeated names).
  std::vector<std::string> outputDevices() override;
  std::unique_ptr<AudioOutput> open(const std::string& deviceName, const std::string& outputName) override;
  std::string defaultDevice() override;

  bool initialised() const { return initialised_; }

 private:
  struct Device {
    std::string name;  // unique among the listed devices and distinct from kNullOutputName
    int index;  // PortAudio's device index
  };
  std::vector<Device> listDevices() const;

  bool initialised_ = false;
};

}  // namespace gm
