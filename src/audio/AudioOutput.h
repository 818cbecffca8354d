#pragma once
// One audio output: a playback thread that pulls blocks of one engine port and plays them.
// The PortAudio output and the null output share this interface.

#include <cstddef>
#include <cstdint>
#include <string>

namespace gm {

class PullSource;

inline constexpr const char* kNullOutputName = "Null output";

class AudioOutput {
 public:
  virtual ~AudioOutput() = default;  // stops the output first if it runs

  // [main-thread] "GrooveMangler Master Output" or "GrooveMangler Line Output".
  virtual const std::string& name() const = 0;
  // [main-thread] The device it plays on, as listed by AudioBackend::outputDevices().
  virtual const std::string& deviceName() const = 0;
  // [main-thread] Frames per pull when the output fixes it, for the life of the output; 0 when the
  // device decides at each pull (a JACK server's period), so pulls may vary in length.
  virtual std::size_t blockFrames() const = 0;

  // [main-thread] Binds the output to a port of a source; false when the output cannot play it.
  virtual bool connect(PullSource& source, int port) = 0;
  // [main-thread] Starts pulling; false when the device refuses to start.
  virtual bool start() = 0;
  // [main-thread] Stops pulling and waits until the playback thread no longer touches the source.
  virtual void stop() = 0;
  // [any-thread] True once the device failed while running (unplugged, stream error).
  virtual bool failed() const = 0;
  // [any-thread] Times the device ran out of audio because a block came too late (xruns).
  virtual std::uint64_t underflows() const { return 0; }
};

}  // namespace gm
