#pragma once
// An output on one PortAudio device: a stereo 16-bit 44100 Hz stream whose callback pulls the
// output's port directly into the device buffer.
//
// On a JACK server the stream follows the server's period (its callbacks may vary in length);
// elsewhere it asks for fixed blocks. When the device dies the stream is never stopped or closed on
// the calling thread: the callback is cut off from its source at once and the stream goes to a
// closer thread (PortAudioLibrary).

#include <portaudio.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "audio/AudioOutput.h"

namespace gm {

class PortAudioOutput final : public AudioOutput {
 public:
  // Frames per callback on devices that are not a JACK server's.
  static constexpr unsigned long kFramesPerBuffer = 256;

  // [main-thread] Opens a stream on PortAudio device `deviceIndex`; nullptr when the device
  // refuses the format or cannot be opened. The output keeps PortAudio initialised while it lives.
  static std::unique_ptr<PortAudioOutput> open(PaDeviceIndex deviceIndex, std::string deviceName,
                                               std::string outputName);
  ~PortAudioOutput() override;
  PortAudioOutput(const PortAudioOutput&) = delete;
  PortAudioOutput& operator=(const PortAudioOutput&) = delete;

  const std::string& name() const override { return name_; }
  const std::string& deviceName() const override { return deviceName_; }
  // kFramesPerBuffer, or 0 on a JACK server, whose period decides.
  std::size_t blockFrames() const override { return blockFrames_; }

  // [main-thread] Refused while running: the callback reads the binding without a lock.
  bool connect(PullSource& source, int port) override;
  // [main-thread] False when not connected, when the device refuses to start or when it died.
  bool start() override;
  // [main-thread] Returns once the callback can no longer reach the source. Stops a working
  // device; a dead one is left to the closer.
  void stop() override;
  // [any-thread] True once the stream ended on its own. On the thread that opened the output it
  // also asks PortAudio whether the stream is still active, which catches a device that died
  // without telling us (a JACK server that went away).
  bool failed() const override;
  // [any-thread]
  std::uint64_t underflows() const override;

 private:
  struct CallbackData;

  PortAudioOutput(std::string deviceName, std::string outputName, std::size_t blockFrames);

  // [audio-thread]
  static int streamCallback(const void* input, void* output, unsigned long frames,
                            const PaStreamCallbackTimeInfo* timeInfo, PaStreamCallbackFlags flags,
                            void* data);
  // [audio-thread] PortAudio reports here that the stream became inactive, for whatever reason.
  static void streamFinished(void* data);
  // [main-thread] Waits out a callback in progress; no callback touches the source afterwards.
  void detachCallback();
  bool streamLost() const;

  std::string name_;
  std::string deviceName_;
  std::size_t blockFrames_;
  PaStream* stream_ = nullptr;
  // Shared so that a lost stream's closer keeps it alive as long as PortAudio may call back.
  std::shared_ptr<CallbackData> callbackData_;
  bool lost_ = false;  // the device died: the stream belongs to a closer when the output goes

  const std::thread::id ownerThread_;  // the thread that opened the output may query PortAudio
};

}  // namespace gm
