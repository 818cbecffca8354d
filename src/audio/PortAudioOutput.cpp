#include "audio/PortAudioOutput.h"

#include <cstdint>
#include <cstring>

#include "audio/PullSource.h"
#include "audio/SampleBlock.h"

namespace gm {

std::unique_ptr<PortAudioOutput> PortAudioOutput::open(PaDeviceIndex deviceIndex, std::string deviceName,
                                                       std::string outputName) {
  // Pa_Initialize counts references: this output's stream stays valid even if the backend that
  // listed the device is destroyed first.
  if (Pa_Initialize() != paNoError) return nullptr;
  std::unique_ptr<PortAudioOutput> output(new PortAudioOutput(std::move(deviceName), std::move(outputName)));

  const PaDeviceInfo* info = Pa_GetDeviceInfo(deviceIndex);
  if (info == nullptr || info->maxOutputChannels < kChannels) return nullptr;
  PaStreamParameters parameters{};
  parameters.device = deviceIndex;
  parameters.channelCount = kChannels;
  parameters.sampleFormat = paInt16;
  parameters.suggestedLatency = info->defaultLowOutputLatency;
  parameters.hostApiSpecificStreamInfo = nullptr;

  if (Pa_OpenStream(&output->stream_, nullptr, &parameters, kSampleRate, kFramesPerBuffer, paNoFlag,
                    &PortAudioOutput::streamCallback, output.get()) != paNoError) {
    output->stream_ = nullptr;
    return nullptr;
  }
  if (Pa_SetStreamFinishedCallback(output->stream_, &PortAudioOutput::streamFinished) != paNoError) {
    return nullptr;
  }
  return output;
}

PortAudioOutput::PortAudioOutput(std::string deviceName, std::string outputName)
    : name_(std::move(outputName)),
      deviceName_(std::move(deviceName)),
      ownerThread_(std::this_thread::get_id()) {}

PortAudioOutput::~PortAudioOutput() {
  if (stream_ != nullptr) {
    stop();
    Pa_CloseStream(stream_);
  }
  Pa_Terminate();  // pairs with the Pa_Initialize in open()
}

bool PortAudioOutput::connect(PullSource& source, int port) {
  if (running_.load()) return false;
  source_ = &source;
  port_ = port;
  return true;
}

bool PortAudioOutput::start() {
  if (running_.load()) return true;
  if (source_ == nullptr) return false;
  failed_.store(false);
  running_.store(true);
  if (Pa_StartStream(stream_) != paNoError) {
    running_.store(false);
    return false;
  }
  return true;
}

void PortAudioOutput::stop() {
  // Cleared first so that the finished callback of our own stop is not taken for a failure.
  const bool wasRunning = running_.exchange(false);
  if (!wasRunning && Pa_IsStreamStopped(stream_) == 1) return;
  // Stop plays out what is queued; abort is for a stream that already broke.
  if (failed_.load() || Pa_StopStream(stream_) != paNoError) Pa_AbortStream(stream_);
}

bool PortAudioOutput::failed() const {
  if (failed_.load()) return true;
  if (!running_.load() || std::this_thread::get_id() != ownerThread_) return false;
  return Pa_IsStreamActive(stream_) != 1;
}

int PortAudioOutput::streamCallback(const void* /*input*/, void* output, unsigned long frames,
                                    const PaStreamCallbackTimeInfo* /*timeInfo*/,
                                    PaStreamCallbackFlags /*flags*/, void* self) {
  // An output underflow (flags) only means a late block: the stream keeps going.
  auto& out = *static_cast<PortAudioOutput*>(self);
  const std::size_t lengthBytes = frames * kBytesPerFrame;
  const std::size_t producedBytes = out.source_->pull(out.port_, output, lengthBytes);
  // A short block must not play whatever the device buffer held before.
  if (producedBytes < lengthBytes) {
    std::memset(static_cast<std::uint8_t*>(output) + producedBytes, 0, lengthBytes - producedBytes);
  }
  return paContinue;
}

void PortAudioOutput::streamFinished(void* self) {
  auto& out = *static_cast<PortAudioOutput*>(self);
  if (out.running_.load()) out.failed_.store(true);
}

}  // namespace gm
