#include "audio/PortAudioOutput.h"

#include <atomic>
#include <cstring>

#include "audio/FlushToZero.h"
#include "audio/JackServerLoss.h"
#include "audio/PortAudioLibrary.h"
#include "audio/PullSource.h"
#include "audio/SampleBlock.h"

namespace gm {

// What the stream's callbacks touch. `detached` and `inCallback` keep the callback away from the
// source once the main thread let go of it: the callback announces itself before it looks at
// `detached`, the main thread sets `detached` before it waits for `inCallback` to clear, so one of
// the two always sees the other (both sequentially consistent).
struct PortAudioOutput::CallbackData {
  PullSource* source = nullptr;
  int port = 0;
  bool onJack = false;
  std::uint64_t lostJackServersAtOpen = 0;
  std::atomic<bool> running{false};    // started and not stopped by us
  std::atomic<bool> failed{false};     // the stream ended while running
  std::atomic<bool> detached{true};    // the callback must not touch the source
  std::atomic<bool> inCallback{false};
  std::atomic<std::uint64_t> underflows{0};
};

std::unique_ptr<PortAudioOutput> PortAudioOutput::open(PaDeviceIndex deviceIndex, std::string deviceName,
                                                       std::string outputName) {
  // A closer may still be inside PortAudio; its front end keeps its list of streams unguarded.
  if (!PortAudioLibrary::waitForClosers(PortAudioLibrary::kCloserWait)) return nullptr;
  // The output holds its own reference: its stream stays valid even if the backend that listed
  // the device is destroyed first.
  if (!PortAudioLibrary::acquire()) return nullptr;
  const PaDeviceInfo* info = Pa_GetDeviceInfo(deviceIndex);
  const PaHostApiInfo* hostApi = info != nullptr ? Pa_GetHostApiInfo(info->hostApi) : nullptr;
  const bool onJack = hostApi != nullptr && hostApi->type == paJACK;
  std::unique_ptr<PortAudioOutput> output(
      new PortAudioOutput(std::move(deviceName), std::move(outputName), onJack ? 0 : kFramesPerBuffer));
  if (info == nullptr || info->maxOutputChannels < kChannels) return nullptr;
  output->callbackData_->onJack = onJack;
  output->callbackData_->lostJackServersAtOpen = JackServerLoss::lostServers();

  PaStreamParameters parameters{};
  parameters.device = deviceIndex;
  parameters.channelCount = kChannels;
  parameters.sampleFormat = paInt16;
  parameters.suggestedLatency = info->defaultLowOutputLatency;
  parameters.hostApiSpecificStreamInfo = nullptr;
  // A fixed size on JACK makes PortAudio split or merge the server's buffers: two callbacks in a
  // row, then a gap, and deadlines missed at short periods.
  const unsigned long framesPerBuffer = onJack ? paFramesPerBufferUnspecified : kFramesPerBuffer;
  if (Pa_OpenStream(&output->stream_, nullptr, &parameters, kSampleRate, framesPerBuffer, paNoFlag,
                    &PortAudioOutput::streamCallback, output->callbackData_.get()) != paNoError) {
    output->stream_ = nullptr;
    return nullptr;
  }
  if (Pa_SetStreamFinishedCallback(output->stream_, &PortAudioOutput::streamFinished) != paNoError) {
    return nullptr;
  }
  return output;
}

PortAudioOutput::PortAudioOutput(std::string deviceName, std::string outputName, std::size_t blockFrames)
    : name_(std::move(outputName)),
      deviceName_(std::move(deviceName)),
      blockFrames_(blockFrames),
      callbackData_(std::make_shared<CallbackData>()),
      ownerThread_(std::this_thread::get_id()) {}

PortAudioOutput::~PortAudioOutput() {
  if (stream_ == nullptr) {
    PortAudioLibrary::release();
    return;
  }
  stop();
  if (lost_) {
    PortAudioLibrary::closeLostStream(stream_, std::move(callbackData_));  // takes our reference
    return;
  }
  Pa_CloseStream(stream_);
  PortAudioLibrary::release();
}

bool PortAudioOutput::connect(PullSource& source, int port) {
  if (callbackData_->running.load()) return false;
  callbackData_->source = &source;
  callbackData_->port = port;
  return true;
}

bool PortAudioOutput::start() {
  CallbackData& data = *callbackData_;
  if (data.running.load()) return true;
  if (data.source == nullptr || lost_ || streamLost()) return false;
  data.failed.store(false);
  data.detached.store(false);
  data.running.store(true);
  if (Pa_StartStream(stream_) != paNoError) {
    data.running.store(false);
    detachCallback();
    return false;
  }
  return true;
}

void PortAudioOutput::stop() {
  CallbackData& data = *callbackData_;
  // Decided while `running` still tells an ended stream from one we stopped.
  if (!lost_ && (streamLost() || failed())) lost_ = true;
  const bool wasRunning = data.running.exchange(false);
  detachCallback();
  if (!wasRunning || lost_) return;
  // Stop plays out what is queued; abort is for a stream that broke on the way.
  if (Pa_StopStream(stream_) != paNoError) Pa_AbortStream(stream_);
}

void PortAudioOutput::detachCallback() {
  callbackData_->detached.store(true);
  while (callbackData_->inCallback.load()) std::this_thread::yield();
}

bool PortAudioOutput::streamLost() const {
  const CallbackData& data = *callbackData_;
  // Any JACK server that went away since the stream was opened may be this stream's: PortAudio
  // would wait for it at every stop, start or close.
  return data.failed.load() || (data.onJack && JackServerLoss::lostServers() != data.lostJackServersAtOpen);
}

bool PortAudioOutput::failed() const {
  if (streamLost()) return true;
  if (!callbackData_->running.load() || std::this_thread::get_id() != ownerThread_) return false;
  return Pa_IsStreamActive(stream_) != 1;
}

std::uint64_t PortAudioOutput::underflows() const { return callbackData_->underflows.load(std::memory_order_relaxed); }

int PortAudioOutput::streamCallback(const void* /*input*/, void* output, unsigned long frames,
                                    const PaStreamCallbackTimeInfo* /*timeInfo*/, PaStreamCallbackFlags flags,
                                    void* data) {
  auto& callbackData = *static_cast<CallbackData*>(data);
  ensureFlushToZeroOnThisThread();
  // An underflow means the device played a gap before this block; the stream keeps going.
  if ((flags & paOutputUnderflow) != 0) callbackData.underflows.fetch_add(1, std::memory_order_relaxed);
  // JACK calls back with its period, which may change between calls: nothing here assumes a size.
  const std::size_t lengthBytes = frames * kBytesPerFrame;
  std::size_t producedBytes = 0;
  callbackData.inCallback.store(true);
  if (!callbackData.detached.load()) {
    producedBytes = callbackData.source->pull(callbackData.port, output, lengthBytes);
  }
  callbackData.inCallback.store(false);
  // A short block must not play whatever the device buffer held before.
  if (producedBytes < lengthBytes) {
    std::memset(static_cast<std::uint8_t*>(output) + producedBytes, 0, lengthBytes - producedBytes);
  }
  return paContinue;
}

void PortAudioOutput::streamFinished(void* data) {
  auto& callbackData = *static_cast<CallbackData*>(data);
  if (callbackData.running.load()) callbackData.failed.store(true);
}

}  // namespace gm
