#pragma once
// An output on one PortAudio device: a stereo 16-bit 44100 Hz stream whose callback pulls the
// output's port directly into the device buffer.

#include <portaudio.h>

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <thread>

#include "audio/AudioOutput.h"

namespace gm {

class PortAudioOutput final : public AudioOutput {
 public:
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
  std::size_t blockFrames() const override { return kFramesPerBuffer; }

  // [main-thread] Refused while running: the callback reads the binding without a lock.
  bool connect(PullSource& source, int port) override;
  // [main-thread] False when not connected or when the device refuses to start.
  bool start() override;
  // [main-thread] Returns once the callback can no longer run.
  void stop() override;
  // [any-thread] True once the stream ended on its own. On the thread that opened the output it
  // also asks PortAudio whether the stream is still active, which catches a device that died
  // without telling us.
  bool failed() const override;

 private:
  PortAudioOutput(std::string deviceName, std::string outputName);

  // [audio-thread]
  static int streamCallback(const void* input, void* output, unsigned long frames,
                            const PaStreamCallbackTimeInfo* timeInfo, PaStreamCallbackFlags flags,
                            void* self);
  // [audio-thread] PortAudio reports here that the stream became inactive, for whatever reason.
  static void streamFinished(void* self);

  std::string name_;
  std::string deviceName_;
  PaStream* stream_ = nullptr;
  PullSource* source_ = nullptr;
  int port_ = 0;

  const std::thread::id ownerThread_;  // the thread that opened the output may query PortAudio
  std::atomic<bool> running_{false};   // started and not stopped by us
  std::atomic<bool> failed_{false};    // the stream ended while running_
};

}  // namespace gm
