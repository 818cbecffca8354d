#pragma once
// The real audio backend: PortAudio's output devices plus the null output. PortAudio stays
// initialised for the life of the backend; when it cannot be initialised, only the null output exists.
// PortAudio reads its device list once, when it is initialised: the backend initialises it again
// whenever no stream is open and the list is asked for, or a device was lost since, so that a
// device that came back (a restarted JACK server, a card plugged in again) can be chosen.

#include <cstdint>
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

  // Devices with at least two output channels, named uniquely (" (2)", " (3)" for repeated names),
  // as they are now when no stream is open (PortAudio is initialised again for the list).
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
  // Initialises PortAudio again when possible: always, or only after a device was lost.
  void refresh(bool always);
  static std::uint64_t deviceLosses();

  bool initialised_ = false;
  std::uint64_t deviceLossesAtInitialisation_ = 0;
};

}  // namespace gm
