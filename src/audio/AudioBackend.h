#pragma once
// Lists output devices and opens outputs on them. The real backend offers PortAudio's devices and
// the null output; tests substitute a backend of their own.

#include <memory>
#include <string>
#include <vector>

#include "audio/AudioOutput.h"

namespace gm {

class AudioBackend {
 public:
  virtual ~AudioBackend() = default;

  // [main-thread] Names of the output devices, in the device system's order, without the null output.
  virtual std::vector<std::string> outputDevices() = 0;
  // [main-thread] Opens an output named `outputName` on `deviceName` (kNullOutputName gives the
  // null output); nullptr when the device does not exist or cannot be opened.
  virtual std::unique_ptr<AudioOutput> open(const std::string& deviceName, const std::string& outputName) = 0;
  // [main-thread] The device a new user's speakers default to: the system's default output device,
  // or kNullOutputName when there is none.
  virtual std::string defaultDevice() = 0;
};

}  // namespace gm
